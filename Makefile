# make test   installs what is missing, builds both presets, runs every test of both
# make demo   runs a download and an upload against the emulated box
# make bench  runs the benchmarks of the native build
.PHONY: all deps native win32 test test-native test-win32 demo bench clean

all: native

deps:
	scripts/install-deps

native: deps
	cmake --preset native
	cmake --build --preset native

win32: deps
	cmake --preset win32
	cmake --build --preset win32

test-native: native
	ctest --preset native

test-win32: win32
	ctest --preset win32

test: test-native test-win32

demo: native
	scripts/demo

bench: native
	build/native/bench/link_roundtrip

clean:
	rm -rf build
