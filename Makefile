# The two set-up commands of the README: `make run` and `make test`. Each installs what is
# missing, configures and builds, then runs the application or the whole test suite.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test test-asan fuzz bench package package-test format clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run-app $(BUILD)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) $(CTEST_ARGS)

# The logic layers under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	@cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMA_SANITIZE=ON \
	  -DMA_LOGIC_ONLY=ON -DMA_BENCH=OFF >/dev/null
	@cmake --build build-asan -j $(JOBS)
	@cd build-asan && ctest --output-on-failure -j $(JOBS) $(CTEST_ARGS)

# Every file reader under libFuzzer, FUZZ_SECONDS each, from the seed corpora in tests/fuzz.
fuzz: deps
	@cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMA_FUZZ=ON \
	  -DMA_LOGIC_ONLY=ON -DMA_BENCH=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake --build build-fuzz -j $(JOBS)
	@scripts/run-fuzzers build-fuzz $(FUZZ_SECONDS)

bench: build
	@scripts/run-benchmarks $(BUILD)

# A Debian package of the installed program (BUILD/modal-atlas_*.deb), and the test that runs it
# unpacked into a read-only folder, for a user with an empty home.
package: build
	@cmake --build $(BUILD) --target package

package-test: package
	@scripts/package-test $(BUILD)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) build-asan build-fuzz
