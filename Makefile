# The whole set-up: `make demo` and `make test`. Both install what is missing first.
PREFIX ?= /usr/local
FUZZ_SECONDS ?= 60
RUNS ?= 10000000
PROFILE_FILES ?= 20000

.PHONY: all deps build test tsan win32 fuzz fuzz-campaign kill-test profile-diff demo bench bench-wine screenshots install dist clean

all: build

deps:
	@scripts/install-deps

build: deps
	cmake --preset native
	cmake --build --preset native

# Native tests, then the Windows build and its tests under Wine, then the fuzzer.
test: build
	ctest --preset native
	$(MAKE) --no-print-directory tsan
	scripts/win32-lane
	scripts/fuzz $(FUZZ_SECONDS)

# The OS layer called from two threads at once, as the Fleet reads, under ThreadSanitizer.
tsan: deps
	cmake --preset tsan >/dev/null
	cmake --build --preset tsan
	TSAN_OPTIONS=halt_on_error=1 build/tsan/tests/unit_tests --gtest_filter='PlatformTest.TwoThreads*'

win32: build
	scripts/win32-lane

fuzz: deps
	scripts/fuzz $(FUZZ_SECONDS)

# A benchmark-like run, not a test: every fuzz target to RUNS executions.
fuzz-campaign: deps
	scripts/fuzz campaign $(RUNS)

# Vorbix killed at random moments of updates of a 64 MiB model file: natively with SIGKILL, the
# model named plainly and through a symbolic link to a tmpfs, then under Wine with
# TerminateProcess. Each setup prints its outcomes. `make test` runs a short one of each.
kill-test: build
	cd build/native/tests && ./kill_test ../Vorbix 100
	scripts/win32-lane kill

# The catalogue's reader of configuration files against the profile API on PROFILE_FILES random
# files under Wine (make test compares 200).
profile-diff: build
	scripts/win32-lane profiles $(PROFILE_FILES)

demo: build
	scripts/demo

# Benchmarks, not tests: the scan, and a batch of model files against the cost of its copies.
bench: build
	build/native/bench/scan_benchmark
	python3 bench/batch_benchmark.py --vorbix build/native/Vorbix --mdlgen build/native/mdlgen

# The batch benchmark and the Fleet's on the Windows build under Wine.
bench-wine: build
	scripts/win32-lane bench

# The README's pictures of Vorbixw, taken under Wine and Xvfb into docs/.
screenshots: build
	scripts/install-deps screenshots
	scripts/win32-lane screenshots

install: build
	cmake --install build/native --prefix $(PREFIX)

dist: build
	cmake --preset win32 >/dev/null
	cmake --build --preset win32 --target programs
	scripts/dist

clean:
	rm -rf build dist
