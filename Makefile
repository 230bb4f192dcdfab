# The whole set-up: `make demo` and `make test`. Both install what is missing first.
PREFIX ?= /usr/local
FUZZ_SECONDS ?= 60

.PHONY: all deps build test fuzz demo bench install clean

all: build

deps:
	@scripts/install-deps

build: deps
	cmake --preset native
	cmake --build --preset native

test: build
	ctest --preset native
	scripts/fuzz $(FUZZ_SECONDS)

fuzz: deps
	scripts/fuzz $(FUZZ_SECONDS)

demo: build
	scripts/demo

bench: build
	build/native/bench/scan_benchmark

install: build
	cmake --install build/native --prefix $(PREFIX)

clean:
	rm -rf build dist
