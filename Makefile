# Thin wrapper around CMake. `make run` and `make test` work on a fresh
# Debian/Ubuntu machine: they install what is missing first.
JOBS ?= 2
RELEASE := build/release
SANITIZE := build/asan

.PHONY: all deps release run test bench fuzz clean

all: release

deps:
	@scripts/install-deps

release: deps
	cmake -S . -B $(RELEASE) -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMORA_TESTS=OFF -DLUMORA_BENCH=ON
	cmake --build $(RELEASE) -j $(JOBS)

DEMO := build/release/silicon-111-transmission.png

run: release
	@if [ -n "$$DISPLAY" ] || [ -n "$$WAYLAND_DISPLAY" ]; then \
	  echo "Starting Lumora: $(RELEASE)/lumora"; \
	  $(RELEASE)/lumora; \
	else \
	  echo "There is no display here (neither DISPLAY nor WAYLAND_DISPLAY is set), so the desktop"; \
	  echo "program cannot open its windows. Rendering the demonstration picture instead."; \
	  echo; \
	  $(RELEASE)/lumora render --cell 5.4307 5.4307 5.4307 90 90 90 --sg "F D 3 M" --mode transmission \
	    --orient "1 1 1" --outline --labels --antialias --wulff-monitor -o $(DEMO) || exit 1; \
	  echo "The transmission pattern of silicon along [1 1 1] is in $(DEMO)"; \
	  echo "On a machine with a display, 'make run' starts the desktop program ($(RELEASE)/lumora)."; \
	  echo "Headless commands: $(RELEASE)/lumora --help"; \
	fi

test: deps
	cmake -S . -B $(SANITIZE) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
	  -DLUMORA_SANITIZE=ON -DLUMORA_TESTS=ON
	cmake --build $(SANITIZE) -j $(JOBS)
	cd $(SANITIZE) && ctest --output-on-failure -j $(JOBS)

bench: release
	@for b in $(RELEASE)/bench/bench_*; do \
	  [ -f "$$b" ] && [ -x "$$b" ] || continue; \
	  echo "== $$b"; \
	  $$b --benchmark_repetitions=9 --benchmark_report_aggregates_only=true || exit 1; \
	done

# Fuzzes every file reader for FUZZ_SECONDS each (clang's libFuzzer); crashes
# are written to build/fuzz/crashes/.
FUZZ_SECONDS ?= 60
FUZZERS := fuzz_cel fuzz_csf fuzz_cif fuzz_rsv fuzz_samples fuzz_settings fuzz_det
fuzz:
	@scripts/install-deps --fuzz
	CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DLUMORA_FUZZ=ON -DLUMORA_SANITIZE=ON -DLUMORA_TESTS=OFF
	cmake --build build/fuzz -j $(JOBS)
	@mkdir -p build/fuzz/crashes
	@for f in $(FUZZERS); do \
	  echo "== $$f"; \
	  mkdir -p build/fuzz/corpus/$$f; \
	  build/fuzz/fuzz/$$f -max_total_time=$(FUZZ_SECONDS) -timeout=5 -rss_limit_mb=2048 \
	    -artifact_prefix=build/fuzz/crashes/$$f- build/fuzz/corpus/$$f fuzz/seeds/$$f || exit 1; \
	done

clean:
	rm -rf build
