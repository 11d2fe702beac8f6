#!/bin/sh
# Installs what make-font.py needs to write ZuvaVoza.ttf again (only needed
# to regenerate the committed font).
set -eu
apt-get install -y --no-install-recommends python3 python3-fonttools
