# The two commands of the README: `make run` starts the demo, `make test` builds and runs every test.
# `make bench` runs the benchmarks, `make release` builds everything optimised. Each builds only what it needs and
# installs only the packages that needs (tools/install-deps.sh).
JOBS ?= $(shell nproc)
TEST_BUILD := build/test
TSAN_BUILD := build/tsan
RELEASE_BUILD := build/release
CONFIGURE_RELEASE := cmake -S . -B $(RELEASE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release

.PHONY: run test release bench

# Every test with AddressSanitizer and UndefinedBehaviorSanitizer, then the tests without a window again with
# ThreadSanitizer (the two cannot share a build).
test:
	tools/install-deps.sh test
	cmake -S . -B $(TEST_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARVO_SANITIZE=ON
	cmake --build $(TEST_BUILD) -j $(JOBS)
	ctest --test-dir $(TEST_BUILD) -j $(JOBS) --output-on-failure --timeout 600
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARVO_TSAN=ON -DTARVO_BENCH=OFF
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target tarvo_tests
	ctest --test-dir $(TSAN_BUILD) -j $(JOBS) --output-on-failure --timeout 600

release:
	tools/install-deps.sh test
	$(CONFIGURE_RELEASE) -DTARVO_TESTS=ON -DTARVO_BENCH=ON
	cmake --build $(RELEASE_BUILD) -j $(JOBS)

run:
	tools/install-deps.sh run
	$(CONFIGURE_RELEASE) -DTARVO_TESTS=OFF -DTARVO_BENCH=OFF
	cmake --build $(RELEASE_BUILD) -j $(JOBS) --target demo
	tools/demo.sh $(RELEASE_BUILD)

bench:
	tools/install-deps.sh bench
	$(CONFIGURE_RELEASE) -DTARVO_TESTS=OFF -DTARVO_BENCH=ON
	cmake --build $(RELEASE_BUILD) -j $(JOBS) --target benchmarks
	tools/bench.sh $(RELEASE_BUILD)
