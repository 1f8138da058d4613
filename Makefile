# Front door: everything installs what it needs, configures and builds first.
BUILD ?= build
SANITIZE ?= 0
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

ifeq ($(SANITIZE),1)
  BUILD := build-asan
  CMAKE_FLAGS += -DQUILLON_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
else
  CMAKE_FLAGS += -DCMAKE_BUILD_TYPE=RelWithDebInfo
endif
ifeq ($(CI),true)
  CMAKE_FLAGS += -DQUILLON_WERROR=ON
endif

.PHONY: all deps configure build run demo test clean currency-names

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# The English currency names, from this machine's ICU, into src/rates.
currency-names: configure
	@cmake --build $(BUILD) --target currency-names

run: build
	$(BUILD)/src/app/quillon

demo: build
	@scripts/demo $(BUILD)

# The Windows tests run in the plain pass only: the sanitizers are Linux's.
test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
ifneq ($(SANITIZE),1)
	@$(MAKE) --no-print-directory test-windows
endif

clean:
	rm -rf build build-asan $(WIN64_BUILD) $(WIN32_BUILD) $(FUZZ_BUILD)

# Windows, cross-built with Debian's mingw-w64. The 64-bit tests run under
# Wine; the 32-bit build is compiled and linked only.
WIN64_BUILD ?= build-win64
WIN32_BUILD ?= build-win32
WIN_FLAGS = -DCMAKE_BUILD_TYPE=Release
ifeq ($(CI),true)
  WIN_FLAGS += -DQUILLON_WERROR=ON
endif

.PHONY: windows windows32 test-windows

# The Windows acceptance tests use the Linux build's fixed-page test site when there is one.
RATES_SITE = $(wildcard $(abspath $(BUILD))/tests/site/quillon-test-site)

windows: deps
	@cmake -S . -B $(WIN64_BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake \
	  $(WIN_FLAGS) -DQUILLON_RATES_SITE=$(RATES_SITE) >/dev/null
	@cmake --build $(WIN64_BUILD) -j $(JOBS)

windows32: deps
	@cmake -S . -B $(WIN32_BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake \
	  $(WIN_FLAGS) >/dev/null
	@cmake --build $(WIN32_BUILD) -j $(JOBS)

test-windows: windows
	@cd $(WIN64_BUILD) && ctest --output-on-failure -j $(JOBS)

# Fuzzing needs clang, so it has a build of its own; FUZZ_SECONDS per target.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_JOBS ?= 1

.PHONY: fuzz bench

fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DQUILLON_FUZZ=ON -DQUILLON_TESTS=OFF -DQUILLON_BENCH=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD) --target fuzz_all -j $(JOBS)
	@FUZZ_JOBS=$(FUZZ_JOBS) fuzz/run $(FUZZ_BUILD) $(FUZZ_SECONDS)

# Figures, not tests: see bench/README.md.
bench: build
	@bench/run $(BUILD)

# Installation: the program in PREFIX/lib/quillon with Codes.htm beside it,
# PREFIX/bin/quillon linked to it, a desktop entry and the icons.
PREFIX ?= /usr/local

.PHONY: install uninstall package

install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

# Removes what the last `make install` from this build tree wrote.
uninstall:
	@cmake -P cmake/Uninstall.cmake $(BUILD)/install_manifest.txt

# Two Debian packages in $(BUILD): quillon_*.deb (the desktop program) and
# quillon-rates-site_*.deb (the rates site, its units and nginx site).
package: build
	@cd $(BUILD) && cpack -G DEB
