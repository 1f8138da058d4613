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

.PHONY: all deps configure build run demo test clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/src/app/quillon

demo: build
	@scripts/demo $(BUILD)

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf build build-asan
