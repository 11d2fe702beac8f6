# The two set-up commands of the README, and a few more for developers.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# Our own builds treat warnings as errors (a packager's build need not).
CONFIGURE = cmake -S . -DDRO_WERROR=ON

# The Windows builds, cross-compiled with mingw-w64 (cmake/toolchains): the
# 64-bit one runs its tests under Wine, the 32-bit one is built only.
WINDOWS = windows-x86_64 windows-i686

.PHONY: all deps configure build test test-native test-windows windows $(WINDOWS) \
        demo bench sanitize memcheck fuzz format clean

all: build

deps:
	sh scripts/install-deps.sh

configure: deps
	$(CONFIGURE) -B $(BUILD) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The native suite, then the Windows one.
test: test-native
	$(MAKE) test-windows

test-native: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-windows: windows
	ctest --test-dir build-windows-x86_64 --output-on-failure -j $(JOBS)

windows: $(WINDOWS)

# windows-ARCH: every Windows target of build-windows-ARCH.
$(WINDOWS): windows-%: deps
	$(CONFIGURE) -B build-windows-$* --toolchain cmake/toolchains/$*-w64-mingw32.cmake
	cmake --build build-windows-$* -j $(JOBS)

demo: build
	sh scripts/demo.sh $(BUILD)
	sh scripts/demo-install.sh $(BUILD)

# Listar2 beside the tools a user would pick instead (not part of `test`).
bench: build
	sh bench/run.sh $(BUILD)

# The native suite under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize:
	$(MAKE) test-native BUILD=build-sanitize CMAKE_FLAGS="-DSANITIZE=ON -DCMAKE_BUILD_TYPE=Debug"

# The programs' end-to-end runs under valgrind.
memcheck: build
	sh scripts/memcheck.sh $(BUILD)

# The libFuzzer targets, each for FUZZ_SECONDS (default 60).
fuzz:
	sh scripts/fuzz.sh

format:
	find platform installer pdfforms tiskpdf tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) build-sanitize build-fuzz build-windows-x86_64 build-windows-i686
