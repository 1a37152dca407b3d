# The two commands of the README: `make run` starts the demo, `make test` builds and runs every test.
# `make bench` runs the benchmarks, `make release` builds everything optimised. Each builds only what it needs.
JOBS ?= $(shell nproc)
TEST_BUILD := build/test
TSAN_BUILD := build/tsan
RELEASE_BUILD := build/release
CONFIGURE_RELEASE := cmake -S . -B $(RELEASE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release

.PHONY: run test deps release bench

deps:
	tools/install-deps.sh

# Every test with AddressSanitizer and UndefinedBehaviorSanitizer, then the tests without a window again with
# ThreadSanitizer (the two cannot share a build).
test: deps
	cmake -S . -B $(TEST_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARVO_SANITIZE=ON
	cmake --build $(TEST_BUILD) -j $(JOBS)
	ctest --test-dir $(TEST_BUILD) -j $(JOBS) --output-on-failure --timeout 600
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARVO_TSAN=ON -DTARVO_BENCH=OFF
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target tarvo_tests
	ctest --test-dir $(TSAN_BUILD) -j $(JOBS) --output-on-failure --timeout 600

release: deps
	$(CONFIGURE_RELEASE)
	cmake --build $(RELEASE_BUILD) -j $(JOBS)

run: deps
	$(CONFIGURE_RELEASE)
	cmake --build $(RELEASE_BUILD) -j $(JOBS) --target demo
	tools/demo.sh $(RELEASE_BUILD)

bench: deps
	$(CONFIGURE_RELEASE)
	cmake --build $(RELEASE_BUILD) -j $(JOBS) --target benchmarks
	tools/bench.sh $(RELEASE_BUILD)
