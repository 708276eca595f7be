# The two set-up-and-go commands: `make demo` and `make test`.
JOBS ?= 2

.PHONY: demo test setup native native-asan win32 fuzz bench fuzz-long

setup:
	@scripts/setup.sh

native: setup
	@cmake --preset native >/dev/null
	@cmake --build build/native -j$(JOBS)

native-asan: setup
	@cmake --preset native-asan >/dev/null
	@cmake --build build/native-asan -j$(JOBS)

win32: setup
	@cmake --preset win32 >/dev/null
	@cmake --build build/win32 -j$(JOBS)

# Plays the bundled example song through the host, the component and the
# emulation library into build/demo/example.wav.
demo: setup
	@JOBS=$(JOBS) scripts/demo.sh

# Every test of both builds, then the fuzzers for a bounded time. Test
# programs run side by side, JOBS at a time (the longest one in shards);
# Wine's prefix is made first, by one program alone.
test: native-asan win32
	ctest --test-dir build/native-asan --output-on-failure -j$(JOBS)
	@scripts/wine-session.sh keep || true
	ctest --test-dir build/win32 --output-on-failure -j$(JOBS); status=$$?; scripts/wine-session.sh stop; exit $$status
	FUZZ_JOBS=$(JOBS) scripts/run-fuzzers.sh

# Every fuzzer for HOURS hours in all, JOBS side by side; findings land in
# build/fuzz/findings/NAME/.
HOURS ?= 1
fuzz-long: setup
	FUZZ_JOBS=$(JOBS) FUZZ_HOURS=$(HOURS) scripts/run-fuzzers.sh

# Speed figures: every benchmark program of the optimised build.
bench: native
	@for b in build/native/bin/*_bench; do echo "== $$b"; $$b; done
