# make test     installs what is missing, builds every preset this machine needs and runs
#                every test: the native build's, the sanitized build's (address and
#                undefined-behaviour sanitizers, a few seconds of each fuzz target, the
#                fault soak), the ThreadSanitizer build's (the command line's tests and
#                the soak), then the Windows tests under 32-bit Wine, or under 64-bit
#                Wine where this machine cannot run 32-bit programs
#                (KV_WINDOWS_TESTS=win32 or win64 forces either), and last the Debian
#                package, built and read back
# make demo      runs a download and an upload against the emulated box
# make fuzz      runs each fuzz target for FUZZ_SECONDS (default 60)
# make soak      runs N randomised transfers under faults (default 10000; SEED= first seed)
# make bench     runs the benchmarks of the native build
# make install   installs kestrivane, kestrivane-box, the manual page and bash completion
#                under PREFIX (default /usr/local)
# make gui       runs Kestrivane.exe under Wine on your display, the emulated box on COM1
# make dist      makes build/dist/Kestrivane-VERSION.zip for Windows users
# make package   makes build/native/package/kestrivane_VERSION_ARCH.deb (the command line)
PREFIX ?= /usr/local

.PHONY: all deps install native sanitize test-sanitize tsan test-tsan fuzz soak win32 win64 test test-native test-win32 test-win64 test-windows test-package demo bench gui dist package clean

all: native

deps:
	scripts/install-deps

native: deps
	cmake --preset native
	cmake --build --preset native

sanitize: deps
	cmake --preset sanitize
	cmake --build --preset sanitize

win32: deps
	cmake --preset win32
	cmake --build --preset win32

win64: deps
	cmake --preset win64
	cmake --build --preset win64

test-native: native
	ctest --preset native

test-sanitize: sanitize
	ctest --preset sanitize

tsan: deps
	cmake --preset tsan
	cmake --build --preset tsan

test-tsan: tsan
	ctest --preset tsan

FUZZ_SECONDS ?= 60
fuzz: sanitize
	scripts/fuzz $(FUZZ_SECONDS)

N ?= 10000
SEED ?= 1
soak: native
	KV_SOAK_RUNS=$(N) KV_SOAK_SEED=$(SEED) build/native/tests/soak_tests

test-win32: win32
	ctest --preset win32

test-win64: win64
	ctest --preset win64

# The 32-bit build is always made (it is the product); its tests, or the 64-bit
# build's, run where this machine can.
test-windows: win32
	@arch=$$(scripts/windows-tests) && $(MAKE) --no-print-directory test-$$arch

# The Debian package, built and read back.
test-package: native
	scripts/check-package

test: test-native test-sanitize test-tsan test-windows test-package

demo: native
	scripts/demo

install: native
	cmake --install build/native --prefix "$(PREFIX)"

gui: native win32
	scripts/gui

dist: win32
	scripts/dist

package: native
	cd build/native && cpack -G DEB

bench: native
	build/native/bench/kestrivane-bench

clean:
	rm -rf build
