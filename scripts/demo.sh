#!/bin/sh
# Runs the main job on the bundled examples.
echo "The demo print jobs come with Listar2; nothing to run yet."
