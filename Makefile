# Thin wrappers over CMake and CTest. `make run` plays, `make test` checks everything. Every build folder and its
# options come from CMakePresets.json (debug: build/, sanitize: build-sanitize/, release: build-release/, bench:
# build-bench/), so `cmake --preset NAME` by hand gives the same build.
JOBS ?= $(shell nproc)

.PHONY: all deps test-deps build build-sanitize test test-plain test-sanitize run clean

all: build

# What building and playing need; each task below adds only what it needs besides (scripts/install-deps).
deps:
	@scripts/install-deps

# The test builds also need GoogleTest, the sqlite3 shell, Xvfb and xdotool.
test-deps:
	@scripts/install-deps --tests

build: test-deps
	cmake --preset debug
	cmake --build --preset debug -j $(JOBS)

# The second test build runs every suite under AddressSanitizer and UndefinedBehaviorSanitizer; any report fails it.
build-sanitize: test-deps
	cmake --preset sanitize
	cmake --build --preset sanitize -j $(JOBS)

# The packaging checks come first, so that the test summary closes the log.
test: check-packaging test-plain test-sanitize

test-plain: build
	ctest --preset debug -j $(JOBS)

test-sanitize: build-sanitize
	ctest --preset sanitize -j $(JOBS)

# The desktop entry, the AppStream metainfo and both manual pages through their validators, warnings included, and
# the application ID, icons and version agreeing across them.
.PHONY: check-packaging
check-packaging:
	@scripts/install-deps --packaging
	scripts/check-packaging

# Plays the game: a Release build of the executable, started beside its word list. Needs a desktop session.
run:
	$(if $(DISPLAY)$(WAYLAND_DISPLAY),,$(error make run: no display to open the game on (DISPLAY and WAYLAND_DISPLAY are both empty)))
	@scripts/install-deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)
	build-release/bin/fururupo

# Installs the game under PREFIX (DESTDIR is honoured) as Debian lays out games: lib/games/fururupo/ holds the
# executable and MSG.txt, games/fururupo links to it, and the desktop entry, icons, AppStream metainfo and the manual
# pages (English and Japanese) go under share/.
PREFIX ?= /usr/local
.PHONY: install screenshots
install: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)
	cmake --install build-release --prefix $(PREFIX)

# The Debian package: installs what building one needs (its tests' packages too), builds it from a copy of the tree,
# checks it with lintian and leaves it in dist/ (`sudo apt install ./dist/fururupo_…_….deb` installs it).
# DEB_BUILD_OPTIONS=nocheck skips the tests.
.PHONY: deb clean-deb
deb:
	@scripts/install-deps --tests build-essential debhelper dpkg-dev fakeroot lintian
	JOBS=$(JOBS) scripts/make-deb

clean: clean-deb
clean-deb:
	rm -rf build-deb dist

# Pictures of both windows for docs/, taken from the real program on a virtual display.
screenshots:
	scripts/take-screenshots

# Speed and memory figures (see docs/performance.md); not part of `make test`, since figures are not pass or fail.
.PHONY: bench bench-clock fuzz
bench:
	@scripts/install-deps --bench
	bench/run --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
	bench/screens --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
	bench/startup 20
	cmake --build --preset bench -j $(JOBS) --target fururupo_records_bench
	build-bench/bin/fururupo_records_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
	bench/records_window --benchmark_repetitions=3 --benchmark_report_aggregates_only=true

# The game clocks against the monotonic clock over a minute, while typing and idle (about two minutes in all).
bench-clock: deps
	bench/clock_accuracy
	bench/clock_accuracy 60 --idle

# The word-file fuzzer under AddressSanitizer and UBSan, for FUZZ_SECONDS (CI runs the default minute).
FUZZ_SECONDS ?= 60
fuzz:
	@scripts/install-deps clang libclang-rt-14-dev
	fuzz/run $(FUZZ_SECONDS)

clean:
	rm -rf build build-sanitize build-release build-bench build-fuzz
