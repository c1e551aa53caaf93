# Entry points: `make run` and `make test` install what is missing, build and go.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
FUZZ_SECONDS ?= 60
CMAKE_GEN  := -G Ninja

.PHONY: all deps build test run asan-test bench fuzz clean

all: build

deps:
	bash scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

# Every test: GoogleTest suites and end-to-end runs, headless.
test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Every test again under AddressSanitizer and UndefinedBehaviorSanitizer, the GUI offscreen.
asan-test: deps
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DVIMBRA_SANITIZE=ON -DVIMBRA_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS) -L 'headless|gui'

run: build
	bash scripts/run-samples $(BUILD)

bench: build
	@for b in $(BUILD)/bench/*_bench; do echo "== $$(basename $$b)"; $$b; done

# Runs each libFuzzer target for FUZZ_SECONDS (clang), starting from the saved
# inputs in fuzz/corpus/NAME; new finds go to $(FUZZ_BUILD)/corpus/NAME_fuzz.
fuzz: deps
	CXX=clang++ cmake -S . -B $(FUZZ_BUILD) $(CMAKE_GEN) -DVIMBRA_FUZZ=ON -DVIMBRA_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers
	@for f in $(FUZZ_BUILD)/fuzz/*_fuzz; do n=$$(basename $$f); echo "== $$n"; \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$n; \
	  $$f -max_total_time=$(FUZZ_SECONDS) $(FUZZ_BUILD)/corpus/$$n fuzz/corpus/$${n%_fuzz} || exit 1; done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
