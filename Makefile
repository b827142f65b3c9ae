# Thin wrapper over CMake: the build lands in build/, the engine at build/vell.
MAKEFLAGS += --no-print-directory
BUILD ?= build
JOBS  ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=
# TUNE=1: the engine lists its evaluation parameters among the UCI options,
# for a tuning farm's match runner. Passed every time, so that a plain make
# after a TUNE=1 one builds the ordinary engine again.
TUNE ?=
TUNE_FLAG = -DVELL_TUNE=$(if $(filter-out 0 OFF off no,$(TUNE)),ON,OFF)

.PHONY: all build run install test check test-asan test-tsan fuzz fuzz-run bench pgo format clean

all: build

# EXE=path: only the engine is built, and copied to that path (how testing
# farms build an engine from a checkout).
EXE ?=
build:
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(TUNE_FLAG) $(CMAKE_FLAGS) >/dev/null
ifeq ($(EXE),)
	@cmake --build $(BUILD) -j $(JOBS)
else
	@cmake --build $(BUILD) -j $(JOBS) --target vell
	cp $(BUILD)/vell $(EXE)
endif

# Only the engine (no tests or benchmarks are compiled), started at its console.
run:
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(TUNE_FLAG) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target vell
	./$(BUILD)/vell -c

# The engine alone, copied to $(PREFIX)/bin where a chess GUI finds it
# (PREFIX=$$HOME/.local for a user's own bin folder).
PREFIX ?= /usr/local
install:
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(TUNE_FLAG) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target vell
	cmake --install $(BUILD) --prefix $(PREFIX)

# Every test: the Release suite, the suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer with bounded fuzzing, and the threaded tests
# under ThreadSanitizer.
test: check test-asan test-tsan

# The Release suite alone (unit tests, engine transcripts, self-play games);
# the benchmarks are not built for it.
check:
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(TUNE_FLAG) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target vell vell_tests
	cd $(BUILD) && ctest --output-on-failure -j $$(( $(JOBS) * 2 ))

# Sanitizer builds are optimised lightly and without debug information, to
# keep them quick to build; the tests run straight from the test binary in
# shards (one process each) rather than a process per test.
SAN_FLAGS = -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-O1 -DVELL_NATIVE=OFF
HAVE_CLANG := $(shell command -v clang++ 2>/dev/null)
FUZZ_TARGETS = $(patsubst tests/fuzz/%.cpp,%,$(wildcard tests/fuzz/*_fuzz.cpp))
# More shards than cores: many sessions spend their time waiting on a clock.
SHARDS = 4
define run_shards
	@pids=""; for i in $$(seq 0 $$(($(SHARDS) - 1))); do \
	  GTEST_TOTAL_SHARDS=$(SHARDS) GTEST_SHARD_INDEX=$$i $(2) ./$(1)/tests/$(or $(4),vell_tests) \
	    --gtest_filter='$(3)' --gtest_brief=1 > $(1)/shard$$i.log 2>&1 & pids="$$pids $$!"; \
	done; status=0; for p in $$pids; do wait $$p || status=1; done; \
	for i in $$(seq 0 $$(($(SHARDS) - 1))); do tail -n 3 $(1)/shard$$i.log; done; \
	if [ $$status -ne 0 ]; then cat $(1)/shard*.log | grep -v '^\[       OK' | tail -n 200; exit 1; fi
endef

# With clang the same build also yields the libFuzzer targets.
test-asan:
ifdef HAVE_CLANG
	@CXX=clang++ cmake -S . -B build-asan $(SAN_FLAGS) -DVELL_SANITIZE=address,undefined -DVELL_FUZZ=ON >/dev/null
	@cmake --build build-asan -j $(JOBS) --target vell vell_tests $(FUZZ_TARGETS)
else
	@cmake -S . -B build-asan $(SAN_FLAGS) -DVELL_SANITIZE=address,undefined >/dev/null
	@cmake --build build-asan -j $(JOBS) --target vell vell_tests
endif
	$(call run_shards,build-asan,,-SystemGames.*)
ifdef HAVE_CLANG
	@$(MAKE) fuzz-run
else
	@echo "clang++ not found: fuzzing skipped"
endif

# The multi-threaded search tests and the UCI sessions (stop, ponderhit,
# isready and end of input during a search) under ThreadSanitizer; the option
# replies (64 threads started and stopped) and the clock fields (seconds of
# waiting) take long there and race with nothing the others miss.
TSAN_TESTS = *Threads*:T/Uci.*:-T/Uci.Session/EveryOptionRepliesWithTheValueInEffect:T/Uci.Session/ClockFieldsAndPromotionLetters
test-tsan:
	@cmake -S . -B build-tsan $(SAN_FLAGS) -DVELL_SANITIZE=thread >/dev/null
	@cmake --build build-tsan -j $(JOBS) --target vell vell_thread_tests
	$(call run_shards,build-tsan,TSAN_OPTIONS=halt_on_error=1,$(TSAN_TESTS),vell_thread_tests)

# Bounded libFuzzer runs over the input handlers, from the fuzz targets of the
# sanitizer build, then 3000 interleaved commands a session.
FUZZ_SECONDS ?= 10
fuzz:
	@if ! command -v clang++ >/dev/null; then echo "clang++ not found: fuzzing skipped"; exit 0; fi; \
	CXX=clang++ cmake -S . -B build-asan $(SAN_FLAGS) -DVELL_SANITIZE=address,undefined -DVELL_FUZZ=ON \
	  >/dev/null && cmake --build build-asan -j $(JOBS) && $(MAKE) fuzz-run && \
	  VELL_INTERLEAVE=3000 ./build-asan/tests/vell_tests --gtest_filter='Interleave.*' --gtest_brief=1

fuzz-run:
	@pids=""; work=$$(mktemp -d); for dir in tests/fuzz/corpus/*/; do \
	  name=$$(basename $$dir); mkdir $$work/$$name; \
	  echo "fuzzing $$name for $(FUZZ_SECONDS) s"; \
	  ./build-asan/$${name}_fuzz -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 \
	    -artifact_prefix=$$work/$$name.crash- $$work/$$name $$dir >$$work/$$name.log 2>&1 & pids="$$pids $$!"; \
	done; status=0; for p in $$pids; do wait $$p || status=1; done; \
	for log in $$work/*.log; do \
	  if [ $$status -ne 0 ]; then tail -n 40 $$log; else echo "$$(basename $$log .log): $$(tail -n 1 $$log)"; fi; \
	done; rm -rf $$work; exit $$status

bench: build
	@for b in $(notdir $(basename $(wildcard bench/*.cpp))); do echo "== $$b"; ./$(BUILD)/$$b || exit 1; done
	./$(BUILD)/vell -nolog -bench

# A faster engine at $(BUILD)-pgo/vell: built with link-time optimisation,
# instrumented, trained on the bench, then built again from that profile.
# Takes a few minutes, so the ordinary build does without it.
PGO_BUILD = $(BUILD)-pgo
PGO_FLAGS = -DCMAKE_BUILD_TYPE=Release -DVELL_TESTS=OFF -DCMAKE_INTERPROCEDURAL_OPTIMIZATION=ON
pgo:
	@rm -rf $(PGO_BUILD)/pgo
	@cmake -S . -B $(PGO_BUILD) $(PGO_FLAGS) -DVELL_PGO=generate >/dev/null
	@cmake --build $(PGO_BUILD) -j $(JOBS) --target vell
	cd $(PGO_BUILD) && ./vell -nolog -bench | tail -n 1
	@cmake -S . -B $(PGO_BUILD) $(PGO_FLAGS) -DVELL_PGO=use >/dev/null
	@cmake --build $(PGO_BUILD) -j $(JOBS) --target vell
	cd $(PGO_BUILD) && ./vell -nolog -bench | tail -n 3

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(BUILD)-pgo build-asan build-tsan
