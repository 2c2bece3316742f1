# The front door: `make run` and `make test` are the whole set-up on a fresh machine.
.PHONY: all build run test test-linux test-sanitize test-win32 test-win64 test-arm64 test-s390x test-fuzz test-web \
        test-dist check-format build-win32 build-win64 build-arm64 web bench fuzz coverage dist screenshots format clean

FUZZ_TIME ?= 300
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

all: build

# The two Linux programs only: no test framework needed.
build:
	scripts/deps build
	cmake --preset default -DWORDHEX_TESTS=OFF
	cmake --build --preset default -j $(JOBS)

run: build
	scripts/run-example

test: test-linux test-sanitize test-win32 test-win64 test-arm64 test-s390x test-fuzz test-web test-dist check-format
	@echo "make test: SKIPPED cli.named-temporaries under the sanitizers, which need the /proc that the case hides; it ran in the plain build unless CTest listed it as not run there"
	@tests/wine/runs-i386 || { [ $$? = 3 ] && echo "make test: SKIPPED the 32-bit Windows programs end to end (win32.e2e.*, the 32-bit zip's wordhex-cli.exe): this host's kernel cannot execute 32-bit x86 programs; their static checks ran"; }
	@why=$$(tests/dist/foreign true) || { [ $$? = 77 ] && echo "make test: SKIPPED installing the arm64 package into a Debian 12 root: $$why; it ran under the emulator"; }

test-linux:
	scripts/deps test
	cmake --preset default -DWORDHEX_TESTS=ON
	cmake --build --preset default -j $(JOBS)
	ctest --preset default -j $(JOBS)

test-sanitize:
	scripts/deps test
	cmake --preset sanitize
	cmake --build --preset sanitize -j $(JOBS)
	ctest --preset sanitize -j $(JOBS)

# The programs that make dist packages, without the tests (whose Wine and
# GoogleTest the release does not need); the test targets turn them back on.
build-win32 build-win64 build-arm64: build-%:
	scripts/deps dist
	cmake --preset $* -DWORDHEX_TESTS=OFF
	cmake --build --preset $* -j $(JOBS)

test-win32 test-win64: test-%:
	scripts/deps test
	cmake --preset $* -DWORDHEX_TESTS=ON
	cmake --build --preset $* -j $(JOBS)
	ctest --preset $*

# Cross builds run under QEMU's user-mode emulator: the portable path on a
# non-x86 CPU, and on s390x in big-endian byte order.
test-arm64 test-s390x: test-%:
	scripts/deps cross
	cmake --preset $* -DWORDHEX_TESTS=ON
	cmake --build --preset $* -j $(JOBS)
	ctest --preset $* -j $(JOBS)

test-fuzz:
	scripts/deps test
	scripts/fuzz --smoke

# The browser page, build/web/wordhex.html, with Debian's emscripten.
web:
	scripts/deps web
	cmake --preset web
	cmake --build --preset web -j $(JOBS)

# The unit tables in WebAssembly under Node.js (the page's SIMD build of the
# core), then the page in headless Chromium and Firefox against wordhex-cli.
test-web: build web
	scripts/deps web browser
	cmake --preset web -DWORDHEX_TESTS=ON
	cmake --build --preset web -j $(JOBS)
	ctest --preset web
	tests/web/run

test-dist: dist
	scripts/deps test
	tests/dist/check

check-format:
	scripts/deps test
	scripts/check-format

bench: build web
	scripts/deps bench browser
	scripts/bench

fuzz:
	scripts/deps test
	scripts/fuzz --time $(FUZZ_TIME)

coverage:
	scripts/deps coverage
	scripts/coverage

dist: build build-win32 build-win64 build-arm64 web
	scripts/dist

screenshots: build web
	scripts/deps screenshots browser
	scripts/screenshots

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build build-* dist
