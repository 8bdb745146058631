# make run   installs what is missing, builds, runs Trevalin
# make test  installs what is missing, builds, runs every test (the engine also under
#            AddressSanitizer/UBSan, the render job under ThreadSanitizer)
# make bench installs what is missing, builds, runs the benchmarks
# make fuzz  builds the fuzz targets with Clang (coverage, ASan/UBSan in every library
#            they test) and runs each for FUZZ_SECONDS (default 60) on fuzz/corpus/
# make package builds a Debian package (in build/)
BUILD ?= build
SANBUILD ?= build-san
TSANBUILD ?= build-tsan
FUZZBUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?= bmp_load_fuzz formula_fuzz presets_fuzz render_args_fuzz picture_chunk_fuzz
JOBS ?= $(shell nproc)
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo Ninja || echo "Unix Makefiles")

.PHONY: all deps build build-san build-tsan build-fuzz test run bench fuzz package clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=RelWithDebInfo
	@cmake --build $(BUILD) -j $(JOBS)

# The engine again, under AddressSanitizer and UndefinedBehaviorSanitizer.
build-san: deps
	@test -f $(SANBUILD)/CMakeCache.txt || cmake -S . -B $(SANBUILD) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=Debug -DTREVALIN_SANITIZE=ON -DTREVALIN_BUILD_APP=OFF
	@cmake --build $(SANBUILD) -j $(JOBS)

# The render job's threads under ThreadSanitizer.
build-tsan: deps
	@test -f $(TSANBUILD)/CMakeCache.txt || cmake -S . -B $(TSANBUILD) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=Debug -DTREVALIN_TSAN=ON -DTREVALIN_BUILD_APP=OFF
	@cmake --build $(TSANBUILD) -j $(JOBS) --target render_tests

# The fuzz targets as libFuzzer programs; needs Clang 14.
build-fuzz: deps
	@test -f $(FUZZBUILD)/CMakeCache.txt || CC=clang-14 CXX=clang++-14 cmake -S . -B $(FUZZBUILD) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTREVALIN_FUZZ=ON -DTREVALIN_BUILD_APP=OFF
	@cmake --build $(FUZZBUILD) -j $(JOBS) --target $(FUZZ_TARGETS)

test: build build-san build-tsan
	cd $(TSANBUILD) && ctest --output-on-failure -L tsan -R '^render$$'
	cd $(SANBUILD) && ctest --output-on-failure -j $(JOBS) -L sanitize
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD)

bench: build
	@scripts/bench.sh $(BUILD)

fuzz: build-fuzz
	@scripts/fuzz.sh $(FUZZBUILD) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

package: build
	@cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(SANBUILD) $(TSANBUILD) $(FUZZBUILD)
