# The two commands of the README, and a few helpers.
BUILD ?= build
JOBS ?= 2

.PHONY: run test build deps configure clean timedemo sanitize fuzz-smoke bench-server bench-replays attack-server bench-window soak soak-million package-test \
        ctest replay-matrix sanitized-soak sanitized-replays suite-under-load

run: build
	cd $(BUILD) && ./vandrax

# The packaging's Release build runs beside ctest, niced (scripts/package-test): the tests spend much
# of their time waiting on windows, sockets and the simulator, and the build takes the CPU they
# leave. Each one's output is shown whole when it ends.
test: build
	$(MAKE) --no-print-directory -j2 --output-sync=target ctest package-test
	scripts/check-format
	$(MAKE) --no-print-directory sanitize
	$(MAKE) --no-print-directory fuzz-smoke

ctest:
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# The unit suites again under AddressSanitizer and UBSan: packs, settings and the sprite tree
# are where bad data and ordering mistakes would show as memory errors. The score server's suite
# runs the sanitized server itself on a real socket, with the bad queries of the outside world,
# and plays replays on the data tree of $(BUILD) (the sanitized build makes none). The road
# objects' suite frees and reads sprites as the game does. Then the game itself, played by the bot
# for a few minutes of game time on the data tree of $(BUILD) (make soak plays 30 minutes), and the
# golden replays played back.
SANITIZED_SUITES = server_tests online_platform_tests world_tests pack_tests app_tests engine_tests settings_tests \
                   platform_tests online_tests
SOAK_MINUTES ?= 3
GOLDEN_REPLAYS = $(wildcard tests/replays/*.vxr)
# The world suite reads the packs, which the sanitized vandrax-pack builds: fontconfig's caches,
# reached through librsvg, are kept for the life of the process (tests/lsan.supp).
LSAN_FONTCONFIG = LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp
# -O1 and line tables, as the sanitizers' authors advise: reports name their lines, the build takes
# half the time of -O2 -g.
SANITIZE_FLAGS = -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG"
sanitize: deps
	cmake -S . -B $(BUILD)-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANDRAX_SANITIZE=ON -DVANDRAX_BENCH=OFF -DVANDRAX_WERROR=ON \
	    $(SANITIZE_FLAGS)
	$(LSAN_FONTCONFIG) cmake --build $(BUILD)-asan -j$(JOBS) --target $(SANITIZED_SUITES) vandrax-sim
	$(MAKE) --no-print-directory -j$(JOBS) --output-sync=target $(SANITIZED_RUNS)

# Each suite, the soak and the replays are one process of one thread: they run $(JOBS) at a time,
# the longest first, each one's output kept together.
SANITIZED_RUNS = $(addprefix sanitized-,$(SANITIZED_SUITES)) sanitized-soak sanitized-replays
sanitized-%:
	cd $(BUILD)-asan && VANDRAX_TEST_DATA=$(abspath $(BUILD)) $(LSAN_FONTCONFIG) ./$* --gtest_brief=1
sanitized-soak:
	scripts/soak $(BUILD)-asan/vandrax-sim $(SOAK_MINUTES) -- --data $(BUILD)
sanitized-replays:
	for replay in $(GOLDEN_REPLAYS); do $(BUILD)-asan/vandrax-sim --data $(BUILD) --replay $$replay --check || exit 1; done

soak: build
	$(MAKE) --no-print-directory sanitize SOAK_MINUTES=30
	scripts/soak $(BUILD)/vandrax-sim 30 --max-growth-kb 4096

# A million frames of bot play under ASan+UBSan (277.78 minutes of game time at 60 frames a
# second), the demos of the idle main menu included; resident memory must stay flat once the
# sanitizer's quarantine has filled: the last hour against the third (medians of the minutes).
# Then the same million in the normal build, whose memory must be flat after ten minutes.
soak-million: build
	cmake -S . -B $(BUILD)-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANDRAX_SANITIZE=ON -DVANDRAX_BENCH=OFF -DVANDRAX_WERROR=ON \
	    $(SANITIZE_FLAGS)
	cmake --build $(BUILD)-asan -j$(JOBS) --target vandrax-sim
	scripts/soak $(BUILD)-asan/vandrax-sim 277.78 --max-growth-kb $(SOAK_GROWTH_KB) --settled-at 120 --window 60 -- --data $(BUILD)
	scripts/soak $(BUILD)/vandrax-sim 277.78 --max-growth-kb 2048 --settled-at 10 --window 30
SOAK_GROWTH_KB ?= 16384

# Each fuzz target for a short while on its corpus (tests/fuzz/README.md has the long runs).
# The corpora grow under $(BUILD)-fuzz from one run to the next; findings are left there too.
# The golden replays are played there too, by the Clang-built (and sanitized) vandrax-sim.
FUZZ = $(BUILD)-fuzz
FUZZ_SECONDS ?= 20
FUZZ_FLAGS = -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 -artifact_prefix=$(FUZZ)/
fuzz-smoke: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANDRAX_FUZZ=ON -DVANDRAX_BENCH=OFF
	cmake --build $(FUZZ) -j$(JOBS) --target pack_reader_fuzz make_pack_seeds config_fuzz score_record_fuzz promo_description_fuzz \
	    replay_reader_fuzz make_replay_seeds vandrax-sim
	mkdir -p $(FUZZ)/seeds $(FUZZ)/corpus $(FUZZ)/config-corpus $(FUZZ)/score-corpus $(FUZZ)/promo-corpus \
	    $(FUZZ)/replay-seeds $(FUZZ)/replay-corpus
	$(FUZZ)/make_pack_seeds $(FUZZ)/seeds
	$(FUZZ)/make_replay_seeds $(FUZZ)/replay-seeds $(GOLDEN_REPLAYS)
	$(MAKE) --no-print-directory -j$(JOBS) --output-sync=target $(FUZZ_RUNS)
	for replay in $(GOLDEN_REPLAYS); do $(FUZZ)/vandrax-sim --data $(BUILD) --replay $$replay --check || exit 1; done

# Each fuzzer is one process of one thread: they run $(JOBS) at a time, each for FUZZ_SECONDS.
FUZZ_RUNS = fuzz-pack fuzz-config fuzz-score fuzz-promo fuzz-replay
.PHONY: $(FUZZ_RUNS)
fuzz-pack:
	$(FUZZ)/pack_reader_fuzz $(FUZZ)/corpus $(FUZZ)/seeds -dict=tests/fuzz/pack.dict $(FUZZ_FLAGS)
fuzz-config:
	$(FUZZ)/config_fuzz $(FUZZ)/config-corpus $(FUZZ_FLAGS)
fuzz-score:
	$(FUZZ)/score_record_fuzz $(FUZZ)/score-corpus tests/fuzz/score-seeds -dict=tests/fuzz/score_record.dict $(FUZZ_FLAGS)
fuzz-promo:
	$(FUZZ)/promo_description_fuzz $(FUZZ)/promo-corpus tests/fuzz/promo-seeds -dict=tests/fuzz/promo.dict $(FUZZ_FLAGS)
fuzz-replay:
	$(FUZZ)/replay_reader_fuzz $(FUZZ)/replay-corpus $(FUZZ)/replay-seeds -dict=tests/fuzz/replay.dict $(FUZZ_FLAGS)

# vandrax-sim built with GCC and with Clang, Debug and Release ($(BUILD)-matrix-*), each playing the
# golden replays on the data tree of $(BUILD): every one must end as recorded in every build.
replay-matrix: configure
	cmake --build $(BUILD) -j$(JOBS) --target vandrax_manifest
	scripts/replay-matrix $(BUILD) $(BUILD)-matrix $(JOBS)

# make test from fresh clones of HEAD, RUNS times in a row, with a -j2 build of another clone beside.
RUNS ?= 10
suite-under-load:
	scripts/suite-under-load $(RUNS)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANDRAX_WERROR=ON

deps:
	scripts/install-deps

# The slow-client attack on vandrax-scored for a whole minute (the normal suite runs it for 15 s):
# 500 connections sending a byte every 4 s, and the game's queries answered within 100 ms at p99.
attack-server: configure
	cmake --build $(BUILD) -j$(JOBS) --target server_tests
	cd $(BUILD) && VANDRAX_ATTACK_SECONDS=60 ./server_tests --gtest_filter='Attack.*'

# vandrax-scored under wrk (bench/server.lua), 64 connections: 30 s on SQLite, then 30 s on a throw-away
# PostgreSQL cluster; queries a second, latency, and whether any answer was an error.
BENCH_CONNECTIONS ?= 64
bench-server: configure
	cmake --build $(BUILD) -j$(JOBS) --target vandrax-scored
	bench/server-bench.sh $(abspath $(BUILD))/vandrax-scored sqlite 30 $(BENCH_CONNECTIONS)
	pg_virtualenv -t bench/server-bench.sh $(abspath $(BUILD))/vandrax-scored postgres 30 $(BENCH_CONNECTIONS)

# Scores with replays under wrk for a minute (bench/replay-bench.sh): games recorded by the bot,
# uploaded after their scores as fast as the server verifies them, while the table page is loaded;
# games verified a minute and the page's latency.
REPLAY_BENCH_SECONDS ?= 60
bench-replays: configure
	cmake --build $(BUILD) -j$(JOBS) --target vandrax-scored vandrax-sim vandrax_manifest
	bench/replay-bench.sh $(BUILD) $(REPLAY_BENCH_SECONDS)

# Drawing in a real window on virtual X servers under openbox: CPU time a frame of the main menu
# and of a busy game frame, in a window and full screen, and start to first frame; the game
# against a plain SDL program drawing the same frames (bench/README.md).
bench-window: configure
	cmake --build $(BUILD) -j$(JOBS) --target vandrax vandrax-pack window_frame plain_window \
	    vandrax_graphics vandrax_sound vandrax_music
	bench/window-bench.sh $(BUILD)

# Built and packaged the way a distribution would, in $(BUILD)-package: the Debian packages (a
# Release build) and lintian, that build installed into a scratch prefix with the desktop entry
# and AppStream validators, and the game started headless from both (scripts/package-test).
package-test: deps
	JOBS=$(JOBS) scripts/package-test $(BUILD)-package

timedemo: build
	cd $(BUILD) && ./vandrax-sim --timedemo --until-ms 60000

clean:
	rm -rf $(BUILD) $(BUILD)-asan $(BUILD)-fuzz $(BUILD)-matrix-*
