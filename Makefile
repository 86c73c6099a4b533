# The two commands of the README, and a few helpers.
BUILD ?= build
JOBS ?= 2

.PHONY: run test build deps configure clean timedemo sanitize

run: build
	cd $(BUILD) && ./vandrax

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)
	scripts/check-format
	$(MAKE) --no-print-directory sanitize

# The unit suites again under AddressSanitizer and UBSan: packs, settings and the sprite tree
# are where bad data and ordering mistakes would show as memory errors.
SANITIZED_SUITES = engine_tests app_tests settings_tests pack_tests
sanitize: deps
	cmake -S . -B $(BUILD)-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANDRAX_SANITIZE=ON -DVANDRAX_BENCH=OFF -DVANDRAX_WERROR=ON
	cmake --build $(BUILD)-asan -j$(JOBS) --target $(SANITIZED_SUITES)
	cd $(BUILD)-asan && for suite in $(SANITIZED_SUITES); do ./$$suite --gtest_brief=1 || exit 1; done

build: configure
	cmake --build $(BUILD) -j$(JOBS)

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANDRAX_WERROR=ON

deps:
	scripts/install-deps

timedemo: build
	cd $(BUILD) && ./vandrax-sim --timedemo --until-ms 60000

clean:
	rm -rf $(BUILD) $(BUILD)-asan
