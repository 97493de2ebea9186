# The two commands a newcomer needs: `make run` and `make test`.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
BELLTALE_HOME ?= $(or $(XDG_DATA_HOME),$(HOME)/.local/share)/belltale

SANITIZE_DIR ?= build-sanitize
# ccache makes rebuilds cheap where it is installed; a machine without it builds without.
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# How long each fuzz target runs in `make test`; `make fuzz` runs them until stopped.
FUZZ_SECONDS ?= 20

.PHONY: run test deps build quiet-build test-build test-locale test-sanitize fuzz build-sanitize

deps:
	@scripts/install-deps.sh

build: deps
	@test -f $(BUILD_DIR)/CMakeCache.txt || cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBELLTALE_WERROR=ON $(LAUNCHER)
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# Everything CI checks: the suite, the suite again under AddressSanitizer and UBSan, then each
# fuzz target for FUZZ_SECONDS. Run one after the other so their builds do not share the cores.
test:
	@$(MAKE) --no-print-directory test-build
	@$(MAKE) --no-print-directory test-sanitize
	@scripts/fuzz.sh $(SANITIZE_DIR) $(FUZZ_SECONDS)

test-build: build
	@rm -rf $(BUILD_DIR)/runtime && mkdir -p -m 700 $(BUILD_DIR)/runtime
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$(CURDIR)/$(BUILD_DIR)/runtime \
		ctest --output-on-failure -j $(JOBS) --timeout 300
	@$(MAKE) --no-print-directory test-locale

# The tests of the settings and the caller records again under a locale that writes numbers with
# a decimal comma, as a user's desktop may: what the program reads and writes must not follow it.
LOCALE_TESTS := vevuzer_settings_tests vevuzer_settings_window_tests vevuzer_records_tests
test-locale:
	@cd $(BUILD_DIR) && suites=$$(for t in $(LOCALE_TESTS); do bin/$$t --gtest_list_tests; done | \
		sed -n 's/^\([^ #]*\)\..*/\1/p' | sort -u | paste -sd'|') && \
		LC_ALL=de_DE.UTF-8 QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$(CURDIR)/$(BUILD_DIR)/runtime \
		ctest --output-on-failure -j $(JOBS) --timeout 300 -R "^($$suites)\."

build-sanitize: deps
	@test -f $(SANITIZE_DIR)/CMakeCache.txt || cmake --preset sanitize -B $(SANITIZE_DIR) $(LAUNCHER)
	@cmake --build $(SANITIZE_DIR) -j $(JOBS)

# Leaks are not looked for: Qt and the layers keep process-wide objects on purpose.
test-sanitize: build-sanitize
	@rm -rf $(SANITIZE_DIR)/runtime && mkdir -p -m 700 $(SANITIZE_DIR)/runtime
	@cd $(SANITIZE_DIR) && QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$(CURDIR)/$(SANITIZE_DIR)/runtime \
		ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --output-on-failure -j $(JOBS) --timeout 300

# Every fuzz target side by side until Ctrl+C (FUZZ_SECONDS=N to stop after N seconds).
fuzz: build-sanitize
	@scripts/fuzz.sh $(SANITIZE_DIR) $(if $(filter command line environment,$(origin FUZZ_SECONDS)),$(FUZZ_SECONDS),0)

# What `make run` starts: the program, the control library it loads, the registration tool, and the
# exchange and modem drivers. The tests, benchmarks and fuzz replays wait for `make build`/`make test`.
RUN_TARGETS := vevuzer lkLK36 regsvr telsim modemsim

# `make run` builds only what it runs, and shows the build's own output only when the build fails.
quiet-build: deps
	@mkdir -p $(BUILD_DIR)
	@{ test -f $(BUILD_DIR)/CMakeCache.txt || cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBELLTALE_WERROR=ON $(LAUNCHER); \
	   cmake --build $(BUILD_DIR) -j $(JOBS) --target $(RUN_TARGETS); } > $(BUILD_DIR)/build.log 2>&1 || \
	   { cat $(BUILD_DIR)/build.log; echo "make run: the build failed (output above, also in $(BUILD_DIR)/build.log)"; exit 1; }

run: quiet-build
	@BELLTALE_HOME="$(BELLTALE_HOME)" BUILD_DIR="$(BUILD_DIR)" MODEM="$(MODEM)" scripts/run.sh
