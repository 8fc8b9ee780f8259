# The two commands of the README, plus a few conveniences. Everything real
# lives in CMake; this file only picks configurations.
.PHONY: run test build install package bench fuzz format deps clean

JOBS ?= $(shell nproc)
RELEASE := build/release
DEBUG := build/debug
STATION := $(RELEASE)/app/wardex

deps:
	@scripts/install-deps

build: deps
	cmake -S . -B $(RELEASE) -G Ninja -DCMAKE_BUILD_TYPE=Release -DWARDEX_BUILD_TESTS=OFF
	cmake --build $(RELEASE) -j $(JOBS)

run: build
	@if [ -x $(STATION) ]; then exec $(STATION) $(ARGS); \
	else echo "Built everything; the station program is not there yet."; fi

# Installs the Release build under PREFIX (as root for /usr/local).
PREFIX ?= /usr/local
install: build
	cmake --install $(RELEASE) --prefix $(PREFIX)

# The Debian package of the Release build, in build/release:
#   sudo apt install ./build/release/wardex_*.deb
package: build
	cd $(RELEASE) && cpack -G DEB
	@ls -1 $(RELEASE)/wardex_*.deb

test: deps
	cmake -S . -B $(DEBUG) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DWARDEX_SANITIZE=ON -DWARDEX_WERROR=ON -DWARDEX_BUILD_TESTS=ON
	cmake --build $(DEBUG) -j $(JOBS)
	ctest --test-dir $(DEBUG) --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DWARDEX_BUILD_TESTS=OFF -DWARDEX_BUILD_BENCH=ON
	cmake --build build/bench -j $(JOBS)
	@for b in build/bench/bench/bench_*; do echo "== $$b"; $$b; done

# Builds the libFuzzer targets with clang; run one with e.g.
#   build/fuzz/fuzz/fuzz_script_reader fuzz/corpus/script_reader -max_total_time=300
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DWARDEX_FUZZ=ON -DWARDEX_BUILD_TESTS=OFF
	cmake --build build/fuzz -j $(JOBS)

format:
	scripts/check-format --fix

clean:
	rm -rf build
