# make run   installs what is missing, builds, runs Trevalin
# make test  installs what is missing, builds, runs every test
# make bench installs what is missing, builds, runs the benchmarks
BUILD ?= build
SANBUILD ?= build-san
JOBS ?= $(shell nproc)
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo Ninja || echo "Unix Makefiles")

.PHONY: all deps build build-san test run bench clean

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

test: build build-san
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	cd $(SANBUILD) && ctest --output-on-failure -j $(JOBS) -L sanitize

run: build
	@scripts/run.sh $(BUILD)

bench: build
	@scripts/bench.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(SANBUILD)
