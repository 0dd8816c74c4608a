# Everyday entry points. Each one installs what is missing first.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=
SAMPLE ?= samples/plan.kwl

.PHONY: deps configure build run test bench fuzz package clean

deps:
	@bash tools/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD)

# The sample is opened from a copy in the build folder (with the block library beside it), so
# that the drawing the program stores beside what it opens never lands in the source tree.
RUN_DIR = $(abspath $(BUILD))/sample

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ] && [ -z "$$QT_QPA_PLATFORM" ]; then \
	    echo "No display found (neither DISPLAY nor WAYLAND_DISPLAY is set): run it under a virtual one with 'xvfb-run -a make run', or from a desktop session."; \
	    exit 1; \
	fi
	@if [ -f "$(SAMPLE)" ]; then \
	    mkdir -p "$(RUN_DIR)" && cp "$(SAMPLE)" "$(RUN_DIR)/" && \
	    if [ -f "$$(dirname "$(SAMPLE)")/KWL_BLOKI.knf" ]; then \
	        cp "$$(dirname "$(SAMPLE)")/KWL_BLOKI.knf" "$(RUN_DIR)/"; fi && \
	    cd $(BUILD) && ./KWL_Edytor "$(RUN_DIR)/$$(basename "$(SAMPLE)")"; \
	else cd $(BUILD) && ./KWL_Edytor; fi

test: build
	@ctest --test-dir $(BUILD) --output-on-failure

bench:
	@bash tools/install-deps.sh --bench
	@cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DKWL_BENCH=ON >/dev/null
	@cmake --build build-bench --target benchmarks

fuzz: deps
	@cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKWL_FUZZ=ON \
	    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake --build build-fuzz --target fuzzers

package: deps
	@cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DKWL_TESTS=OFF >/dev/null
	@cmake --build build-package
	@bash tools/check-package.sh build-package

clean:
	rm -rf $(BUILD) build-asan build-bench build-fuzz build-package
