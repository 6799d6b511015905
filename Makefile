# Thin wrappers over CMake and CTest. `make run` plays, `make test` checks everything.
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
RELEASE_BUILD ?= build-release
JOBS ?= $(shell nproc)

# The second test build runs every suite under AddressSanitizer and UndefinedBehaviorSanitizer; any report fails it.
SANITIZE_FLAGS = -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer
export ASAN_OPTIONS ?= detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS ?= print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS ?= suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0

.PHONY: all deps build build-sanitize test test-plain test-sanitize run clean

all: build

deps:
	@scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Debug
	cmake --build $(BUILD) -j $(JOBS)

build-sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug \
		-DCMAKE_CXX_FLAGS="$(SANITIZE_FLAGS)" -DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE_FLAGS)"
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)

test: test-plain test-sanitize

test-plain: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-sanitize: build-sanitize
	cd $(SANITIZE_BUILD) && ctest --output-on-failure -j $(JOBS)

# The desktop entry, the AppStream metainfo and both manual pages through their validators, warnings included, and
# the application ID, icons and version agreeing across them.
.PHONY: check-packaging
test: check-packaging
check-packaging: deps
	scripts/check-packaging

# Plays the game: a Release build of the executable, started beside its word list. Needs a desktop session.
run:
	$(if $(DISPLAY)$(WAYLAND_DISPLAY),,$(error make run: no display to open the game on (DISPLAY and WAYLAND_DISPLAY are both empty)))
	@scripts/install-deps
	cmake -S . -B $(RELEASE_BUILD) -DCMAKE_BUILD_TYPE=Release -DFURURUPO_TESTS=OFF
	cmake --build $(RELEASE_BUILD) -j $(JOBS) --target fururupo
	$(RELEASE_BUILD)/bin/fururupo

# Installs the game under PREFIX (DESTDIR is honoured) as Debian lays out games: lib/games/fururupo/ holds the
# executable and MSG.txt, games/fururupo links to it, and the desktop entry, icons, AppStream metainfo and the manual
# pages (English and Japanese) go under share/.
PREFIX ?= /usr/local
.PHONY: install screenshots
install: deps
	cmake -S . -B $(RELEASE_BUILD) -DCMAKE_BUILD_TYPE=Release -DFURURUPO_TESTS=OFF
	cmake --build $(RELEASE_BUILD) -j $(JOBS) --target fururupo
	cmake --install $(RELEASE_BUILD) --prefix $(PREFIX)

# The Debian package: installs what building one needs, builds it from a copy of the tree, checks it with lintian
# and leaves it in dist/ (`sudo apt install ./dist/fururupo_…_….deb` installs it). DEB_BUILD_OPTIONS=nocheck skips
# the tests.
.PHONY: deb clean-deb
deb:
	@scripts/install-deps build-essential debhelper dpkg-dev fakeroot lintian
	JOBS=$(JOBS) scripts/make-deb

clean: clean-deb
clean-deb:
	rm -rf build-deb dist

# Pictures of both windows for docs/, taken from the real program on a virtual display.
screenshots:
	scripts/take-screenshots

# Speed and memory figures (see docs/performance.md); not part of `make test`, since figures are not pass or fail.
.PHONY: bench bench-clock fuzz
bench: deps
	bench/run --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
	bench/screens --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
	bench/startup 20

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
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(RELEASE_BUILD) build-bench build-bench2 build-fuzz
