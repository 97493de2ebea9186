# The two commands a newcomer needs: `make run` and `make test`.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
BELLTALE_HOME ?= $(or $(XDG_DATA_HOME),$(HOME)/.local/share)/belltale

.PHONY: run test deps build quiet-build

deps:
	@scripts/install-deps.sh

build: deps
	@test -f $(BUILD_DIR)/CMakeCache.txt || cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBELLTALE_WERROR=ON
	@cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	@rm -rf $(BUILD_DIR)/runtime && mkdir -p -m 700 $(BUILD_DIR)/runtime
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$(CURDIR)/$(BUILD_DIR)/runtime \
		ctest --output-on-failure -j $(JOBS) --timeout 300

# `make run` shows the build's own output only when the build fails.
quiet-build: deps
	@mkdir -p $(BUILD_DIR)
	@{ test -f $(BUILD_DIR)/CMakeCache.txt || cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBELLTALE_WERROR=ON; \
	   cmake --build $(BUILD_DIR) -j $(JOBS); } > $(BUILD_DIR)/build.log 2>&1 || \
	   { cat $(BUILD_DIR)/build.log; echo "make run: the build failed (output above, also in $(BUILD_DIR)/build.log)"; exit 1; }

run: quiet-build
	@BELLTALE_HOME="$(BELLTALE_HOME)" BUILD_DIR="$(BUILD_DIR)" MODEM="$(MODEM)" scripts/run.sh
