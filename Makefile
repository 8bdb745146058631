# make run   installs what is missing, builds, runs Trevalin
# make test  installs what is missing, builds, runs every test (the engine also under
#            AddressSanitizer/UBSan, the render job under ThreadSanitizer)
# make bench installs what is missing, builds, runs the benchmarks
# make package builds a Debian package (in build/)
BUILD ?= build
SANBUILD ?= build-san
TSANBUILD ?= build-tsan
JOBS ?= $(shell nproc)
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo Ninja || echo "Unix Makefiles")

.PHONY: all deps build build-san build-tsan test run bench package clean

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

test: build build-san build-tsan
	cd $(TSANBUILD) && ctest --output-on-failure -L tsan -R '^render$$'
	cd $(SANBUILD) && ctest --output-on-failure -j $(JOBS) -L sanitize
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD)

bench: build
	@scripts/bench.sh $(BUILD)

package: build
	@cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(SANBUILD) $(TSANBUILD)
