# make run       install what is missing, build, run the demo
# make test      install what is missing, build, run every test
# make bench     build and run the benchmarks
# make sanitize  build the tests with AddressSanitizer + UBSan and run them,
#                then run every fuzz target (clang, libFuzzer) for FUZZ_SECONDS
# make install   build, then install into PREFIX (default /usr/local)
# make deb       build, then the Debian packages into $(BUILD) (cpack), checked by lintian
# make docs      the API reference (Doxygen HTML) into $(BUILD)/docs/html
# make bench-python  the Python binding's cost per call beside C, and a 4096x4096 layer read
# make fuzz-long run each fuzz target alone, at the lowest priority, until it
#                has used FUZZ_LONG_SECONDS of CPU time
# make sweeps    the full hostile-caller and allocation-failure sweeps (the
#                suite runs their quick modes)

JOBS     ?= $(shell nproc)
BUILD    ?= build
ASAN     ?= build-asan
BENCHDIR ?= build-bench
FUZZDIR  ?= build-fuzz
FUZZ_SECONDS ?= 20
FUZZ_LONG_SECONDS ?= 1200
BENCH_FILTER ?= .
PREFIX   ?= /usr/local

.PHONY: all deps build run test bench bench-python sanitize fuzz fuzz-build fuzz-long sweeps clean install deb docs

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
	scripts/deps.sh bench
	cmake -S . -B $(BENCHDIR) -DCMAKE_BUILD_TYPE=Release -DMUR_BUILD_BENCH=ON -DMUR_BUILD_TESTS=OFF
	cmake --build $(BENCHDIR) -j $(JOBS)
	$(BENCHDIR)/bench/mur_bench --benchmark_filter='$(BENCH_FILTER)'
	$(BENCHDIR)/bench/mur_bench_other_lua --benchmark_filter='$(BENCH_FILTER)'

bench-python: deps
	cmake -S . -B $(BENCHDIR) -DCMAKE_BUILD_TYPE=Release -DMUR_BUILD_BENCH=ON -DMUR_BUILD_TESTS=OFF
	cmake --build $(BENCHDIR) -j $(JOBS) --target murcore mur_binding_c_bench
	/usr/bin/python3 bench/binding/binding_bench.py $(BENCHDIR)

sanitize: deps
	cmake -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=Debug -DMUR_SANITIZE=ON -DMUR_BUILD_TOOLS=ON
	cmake --build $(ASAN) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp \
	  ctest --test-dir $(ASAN) --output-on-failure -j $(JOBS)
	$(MAKE) fuzz

fuzz-build: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZDIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMUR_BUILD_FUZZ=ON \
	  -DMUR_BUILD_TESTS=OFF -DMUR_BUILD_TOOLS=OFF
	cmake --build $(FUZZDIR) -j $(JOBS)

fuzz: fuzz-build
	scripts/run_fuzzers.sh $(FUZZDIR) $(FUZZ_SECONDS)

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

deb: build
	cd $(BUILD) && cpack -G DEB
	lintian --fail-on error $(BUILD)/*.deb

docs: deps
	mkdir -p $(BUILD)/docs
	cd docs && MUR_DOCS_OUT=$(abspath $(BUILD))/docs \
	  MUR_VERSION=$$(sed -n 's/^project(murcore VERSION \([0-9.]*\).*/\1/p' ../CMakeLists.txt) doxygen Doxyfile
	@echo "API reference: $(BUILD)/docs/html/index.html"

fuzz-long: fuzz-build
	scripts/fuzz_long.sh $(FUZZDIR) $(FUZZ_LONG_SECONDS)

sweeps: build
	$(BUILD)/tests/sweeps/hostile_caller --full
	$(BUILD)/tests/sweeps/alloc_failure_sweep --full

clean:
	rm -rf $(BUILD) $(ASAN) $(BENCHDIR) $(FUZZDIR) out
