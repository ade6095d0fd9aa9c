# The two commands a user needs: `make play` and `make test`. Both install what a fresh
# Debian 12 machine lacks, configure and build first.
BUILD ?= build
JOBS ?= 2
# The test cases run side by side; most of them wait on programs running in real time, so
# twice as many at once as there are cores.
TEST_JOBS ?= $(shell echo $$(( $$(nproc) * 2 )))
PACKAGES = cmake g++ make pkg-config libsdl1.2-compat-dev libsdl-mixer1.2-dev \
           libsdl-ttf2.0-dev libpng-dev libgtest-dev libbenchmark-dev
SUDO = $(shell [ "$$(id -u)" = 0 ] || echo sudo)

FUZZ_PACKAGES = clang libclang-rt-14-dev
FUZZ ?= val
FUZZ_SECONDS ?= 600
FOUND = $(CURDIR)/$(BUILD)-fuzz/found/$(FUZZ)

WEB_PACKAGES = emscripten chromium nodejs python3
WEB_PORT ?= 8023

.PHONY: play test soak bench deps build sanitize tsan fuzz fuzz-run clean play-web test-web

play: build
	cd $(BUILD) && ./kestravelle

test: build
	cd $(BUILD) && ctest --output-on-failure -LE long -j$(TEST_JOBS)

# The game for a web browser (kelc --web), served on 127.0.0.1 with the headers its threads need.
play-web: build
	@$(MAKE) --no-print-directory deps PACKAGES="$(WEB_PACKAGES)"
	$(BUILD)/kelc --web game/kelmain.bas -o $(BUILD)/play-web $(foreach c,$(wildcard game/clips/*.wav),--data $(c))
	python3 tools/serve_web.py $(BUILD)/play-web $(WEB_PORT)

# Programs and the game in headless Chromium, their canvas compared with the native snaps
# (tests/web/cases.json; WEB_CASES="gfx13 input" picks cases). Not part of `make test`.
# WEB_CASES="bench [KERNEL...]" times bench/basic's kernels in both builds instead (prints only).
test-web: build
	@$(MAKE) --no-print-directory deps PACKAGES="$(WEB_PACKAGES)"
	node --experimental-websocket tests/web/web_test.mjs $(BUILD) $(WEB_CASES)

# The long runs (ten minutes of the game's roaming loop), left out of `make test`.
soak: build
	cd $(BUILD) && ctest --output-on-failure -L long

# kelbench: each operation's time over its plain baseline, measured in the same run (the
# `ratio` column; medians of five repetitions). Not part of `make test`: timings are no tests.
bench: deps
	cmake -S . -B $(BUILD)
	cmake --build $(BUILD) -j$(JOBS) --target kelbench
	$(BUILD)/bench/kelbench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
	  --benchmark_counters_tabular=true $(BENCH_ARGS)

# The unit and program tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: deps
	cmake -S . -B $(BUILD)-asan -DCMAKE_BUILD_TYPE=Debug -DKEL_SANITIZE=address,undefined
	cmake --build $(BUILD)-asan -j$(JOBS)
	cd $(BUILD)-asan && UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -LE long -j$(TEST_JOBS)

# The tests under ThreadSanitizer; only the display's reads of page memory are suppressed.
# The long scripted game tests are left out here: they run the same threads as the demos.
tsan: deps
	cmake -S . -B $(BUILD)-tsan -DCMAKE_BUILD_TYPE=Debug -DKEL_SANITIZE=thread
	cmake --build $(BUILD)-tsan -j$(JOBS)
	cd $(BUILD)-tsan && TSAN_OPTIONS="suppressions=$(CURDIR)/tests/tsan.supp history_size=7 halt_on_error=1" \
	  ctest --output-on-failure -LE long -E '^(Seeded/)?Game' -j$(TEST_JOBS)

# The libFuzzer programs, built with clang into $(BUILD)-fuzz/fuzz/fuzz_<target>.
fuzz: deps
	@$(MAKE) --no-print-directory deps PACKAGES="$(FUZZ_PACKAGES)"
	CXX=clang++ cmake -S . -B $(BUILD)-fuzz -DKEL_FUZZ=ON
	cmake --build $(BUILD)-fuzz -j$(JOBS) --target fuzz_all

# One target for FUZZ_SECONDS, starting from its committed corpus; the new inputs it finds
# are merged into fuzz/corpus/$(FUZZ), which the unit tests replay.
fuzz-run: fuzz
	mkdir -p fuzz/corpus/$(FUZZ) $(FOUND)
	$(CURDIR)/$(BUILD)-fuzz/fuzz/fuzz_$(FUZZ) -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=4096 -timeout=20 \
	  -print_final_stats=1 -artifact_prefix=$(CURDIR)/$(BUILD)-fuzz/ $(FOUND) $(CURDIR)/fuzz/corpus/$(FUZZ)
	$(CURDIR)/$(BUILD)-fuzz/fuzz/fuzz_$(FUZZ) -merge=1 $(CURDIR)/fuzz/corpus/$(FUZZ) $(FOUND)

build: deps
	cmake -S . -B $(BUILD)
	cmake --build $(BUILD) -j$(JOBS)

deps:
	@missing=$$(for p in $(PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update && $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y $$missing; \
	fi

clean:
	rm -rf $(BUILD) $(BUILD)-asan $(BUILD)-tsan $(BUILD)-fuzz
