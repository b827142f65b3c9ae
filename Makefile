# Thin wrapper over CMake: the build lands in build/, the engine at build/vell.
MAKEFLAGS += --no-print-directory
BUILD ?= build
JOBS  ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=

.PHONY: all build run test check test-asan test-tsan fuzz bench format clean

all: build

build:
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/vell

# Every test: the Release suite, then the sanitizer builds and the fuzzers.
test: check

# The Release suite alone (unit tests, engine transcripts, self-play games).
check: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The suite under AddressSanitizer and UndefinedBehaviorSanitizer (the long
# self-play games run in the Release suite only).
test-asan:
	@cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELL_NATIVE=OFF \
	  -DVELL_SANITIZE=address,undefined >/dev/null
	@cmake --build build-asan -j $(JOBS)
	cd build-asan && ctest --output-on-failure -j $(JOBS) -E '^SystemGames\.'

# The multi-threaded search tests under ThreadSanitizer.
test-tsan:
	@cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELL_NATIVE=OFF \
	  -DVELL_SANITIZE=thread >/dev/null
	@cmake --build build-tsan -j $(JOBS)
	cd build-tsan && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j $(JOBS) -R 'Threads'

# Bounded libFuzzer runs over the input handlers (needs clang; skipped without).
FUZZ_SECONDS ?= 20
fuzz:
	@if ! command -v clang++ >/dev/null; then echo "clang++ not found: fuzzing skipped"; exit 0; fi; \
	CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELL_NATIVE=OFF \
	  -DVELL_TESTS=OFF -DVELL_FUZZ=ON -DVELL_SANITIZE=address,undefined >/dev/null && \
	cmake --build build-fuzz -j $(JOBS) && \
	for dir in tests/fuzz/corpus/*/; do \
	  name=$$(basename $$dir); work=$$(mktemp -d); \
	  echo "fuzzing $$name for $(FUZZ_SECONDS) s"; \
	  if ./build-fuzz/$${name}_fuzz -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 -artifact_prefix=$$work.crash- \
	      $$work $$dir >$$work.log 2>&1; then tail -n 1 $$work.log; \
	  else tail -n 40 $$work.log; rm -rf $$work $$work.log; exit 1; fi; \
	  rm -rf $$work $$work.log; \
	done

# Every benchmark under bench/, then the engine's own signature run.
bench: build
	@for b in $(notdir $(basename $(wildcard bench/*.cpp))); do echo "== $$b"; ./$(BUILD)/$$b || exit 1; done
	./$(BUILD)/vell -nolog -bench

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) build-asan build-tsan build-fuzz
