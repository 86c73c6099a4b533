# The two commands of the README, and a few helpers.
BUILD ?= build
JOBS ?= 2

.PHONY: run test build deps configure clean timedemo

run: build
	cd $(BUILD) && ./vandrax

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

deps:
	scripts/install-deps

timedemo: build
	cd $(BUILD) && ./vandrax-sim --timedemo --until-ms 60000

clean:
	rm -rf $(BUILD)
