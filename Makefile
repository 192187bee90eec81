# make run       install what is missing, build, run the demo
# make test      install what is missing, build, run every test
# make bench     build and run the benchmarks
# make sanitize  build the tests with AddressSanitizer + UBSan and run them

JOBS     ?= $(shell nproc)
BUILD    ?= build
ASAN     ?= build-asan
BENCHDIR ?= build-bench

.PHONY: all deps build run test bench sanitize clean

all: build

deps:
	@scripts/deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	mkdir -p out
	$(BUILD)/tools/mur demo

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B $(BENCHDIR) -DCMAKE_BUILD_TYPE=Release -DMUR_BUILD_BENCH=ON -DMUR_BUILD_TESTS=OFF
	cmake --build $(BENCHDIR) -j $(JOBS)
	$(BENCHDIR)/bench/mur_bench

sanitize: deps
	cmake -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=Debug -DMUR_SANITIZE=ON -DMUR_BUILD_TOOLS=ON
	cmake --build $(ASAN) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(ASAN) --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) $(ASAN) $(BENCHDIR) out
