# The front door: `make run` and `make test` are the whole set-up on a fresh machine.
.PHONY: all deps build build-win32 run test test-linux test-sanitize test-win32 test-fuzz test-dist \
        check-format bench fuzz coverage dist screenshots format clean

FUZZ_TIME ?= 300
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

all: build

deps:
	scripts/deps

build: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS)

run: build
	scripts/run-example

test: deps test-linux test-sanitize test-win32 test-fuzz test-dist check-format

test-linux: build
	ctest --preset default -j $(JOBS)

test-sanitize: deps
	cmake --preset sanitize
	cmake --build --preset sanitize -j $(JOBS)
	ctest --preset sanitize -j $(JOBS)

build-win32: deps
	cmake --preset win32
	cmake --build --preset win32 -j $(JOBS)

test-win32: build-win32
	ctest --preset win32

test-fuzz: deps
	scripts/fuzz --smoke

test-dist: dist
	scripts/test-dist

check-format:
	scripts/check-format

bench: build
	scripts/bench

fuzz: deps
	scripts/fuzz --time $(FUZZ_TIME)

coverage: deps
	scripts/coverage

dist: build build-win32
	scripts/dist

screenshots: build
	scripts/screenshots

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build build-* dist
