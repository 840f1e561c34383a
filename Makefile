# Front end to the CMake build. `make` builds build/dlspecies in Release.
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=

.PHONY: all build run test bench bench-large clean

all: build

$(BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)

build: $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	./$(BUILD_DIR)/dlspecies -i examples/genetrees.nwk --seed 1 --genetrees

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

# Benchmarks in Release: tree reading, then the data-set ladder (bench/RESULTS.md).
bench: build
	cmake --build $(BUILD_DIR) -j $(JOBS) --target benchmarks
	./$(BUILD_DIR)/bench/bench_read_deep_tree
	./$(BUILD_DIR)/bench/bench_ladder $(BUILD_DIR)

bench-large: build
	cmake --build $(BUILD_DIR) -j $(JOBS) --target benchmarks
	./$(BUILD_DIR)/bench/bench_ladder $(BUILD_DIR) --large

clean:
	rm -rf $(BUILD_DIR) build-sanitize
