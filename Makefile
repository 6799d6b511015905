# Thin wrappers over CMake and CTest. `make run` plays, `make test` checks everything.
BUILD ?= build
RELEASE_BUILD ?= build-release
JOBS ?= $(shell nproc)

.PHONY: all deps test run build clean

all: build

deps:
	@scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Debug
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

run:
	@echo "make run: the windows are not built yet; play arrives with the title and game screens." >&2
	@exit 1

clean:
	rm -rf $(BUILD) $(RELEASE_BUILD)
