# The two set-up commands of the README, and a few more for developers.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build test demo bench sanitize memcheck fuzz format clean

all: build

deps:
	sh scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

demo: build
	sh scripts/demo.sh $(BUILD)
	sh scripts/demo-install.sh $(BUILD)

# Listar2 beside the tools a user would pick instead (not part of `test`).
bench: build
	sh bench/run.sh $(BUILD)

# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize:
	$(MAKE) test BUILD=build-sanitize CMAKE_FLAGS="-DSANITIZE=ON -DCMAKE_BUILD_TYPE=Debug"

# The programs' end-to-end runs under valgrind.
memcheck: build
	sh scripts/memcheck.sh $(BUILD)

# The libFuzzer targets, each for FUZZ_SECONDS (default 60).
fuzz:
	sh scripts/fuzz.sh

format:
	find platform installer pdfforms tiskpdf tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) build-sanitize build-fuzz
