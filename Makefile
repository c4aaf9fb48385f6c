# The two commands that do everything on a fresh Debian 12 machine:
#   make run    install, build, build the demo game and play it
#   make test   install, build (release and sanitizer builds), run every test, run the fuzzers
JOBS        ?= 2
FUZZ_SECONDS ?= 30
BUILD       := build
GEN         := -G Ninja

.PHONY: all deps build build-run build-sanitize run test test-release test-sanitize fuzz bench clean

all: build

deps:
	@scripts/deps.sh

CONFIGURE_RELEASE := cmake -S . -B $(BUILD)/release $(GEN) -DCMAKE_BUILD_TYPE=Release >/dev/null

build: deps
	@$(CONFIGURE_RELEASE)
	@cmake --build $(BUILD)/release -j$(JOBS)

# What `make run` needs and nothing more: the runner and the builder (no tests, no benchmarks).
build-run: deps
	@$(CONFIGURE_RELEASE)
	@cmake --build $(BUILD)/release -j$(JOBS) --target tessera tessera-pack

# One clang build serves the sanitizer tests and the fuzzers: AddressSanitizer and
# UndefinedBehaviorSanitizer everywhere, libFuzzer's coverage in the engine, the tests and the fuzz
# targets beside each other.
build-sanitize: deps
	@CC=clang CXX=clang++ cmake -S . -B $(BUILD)/sanitize $(GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DTESSERA_SANITIZE=ON -DTESSERA_FUZZ=ON >/dev/null
	@cmake --build $(BUILD)/sanitize -j$(JOBS)

# With a display the demo opens a window; without one it plays four seconds headless and writes its
# last frame to build/demo.png.
run: build-run
	@$(BUILD)/release/tessera-pack examples/demo -o $(BUILD)/demo.win
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  echo "The arrow keys or a gamepad's stick steer the fox in the middle; close the window to end."; \
	  $(BUILD)/release/tessera -game $(BUILD)/demo.win; \
	else \
	  $(BUILD)/release/tessera -game $(BUILD)/demo.win -headless -frames 120 -screenshot $(BUILD)/demo.png && \
	  echo "No display: the demo ran headless for four seconds; its last frame is in $(BUILD)/demo.png"; \
	fi

test-release: build
	@cd $(BUILD)/release && ctest -j$(JOBS) --output-on-failure

test-sanitize: build-sanitize
	@cd $(BUILD)/sanitize && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest -j$(JOBS) --output-on-failure

fuzz: build-sanitize
	@scripts/fuzz.sh $(BUILD)/sanitize/tests/fuzz $(FUZZ_SECONDS) $(JOBS)

test: test-release test-sanitize fuzz

bench: build
	@scripts/bench.sh $(BUILD)/release

clean:
	rm -rf $(BUILD)
