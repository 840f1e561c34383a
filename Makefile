# Front end to the CMake build. `make` builds build/dlspecies in Release.
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=

FUZZ_SECONDS ?= 60
# The size of the file of trees that bench-read reads, plain and gzip-compressed.
READ_MEGABYTES ?= 1024

# make install: programs under $(DESTDIR)$(PREFIX)/bin, the README and the
# licence under share/doc/dlspecies, the man page when the build made one.
PREFIX ?= /usr/local
DESTDIR ?=
# The targets that make install and make package build: the programs and
# the manual page.
INSTALLED_TARGETS = dlspecies dlsim man_page

.PHONY: all build run test test-mpi mpi bench bench-read bench-large bench-mpi bench-accuracy fuzz install uninstall \
        package clean

all: build

$(BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)

build: $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j $(JOBS)

# The program alone, then a run on the bundled example.
run: $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j $(JOBS) --target dlspecies
	./$(BUILD_DIR)/dlspecies -i examples/genetrees.nwk --seed 1 --genetrees

test: build
	@test -f $(BUILD_DIR)/tests/CTestTestfile.cmake || \
	  { echo "GoogleTest is needed for the tests (Debian: libgtest-dev); install it and run make test again" >&2; \
	    rm -f $(BUILD_DIR)/CMakeCache.txt; exit 1; }
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)
	@if command -v mpirun >/dev/null && command -v mpicxx >/dev/null; then $(MAKE) --no-print-directory test-mpi; \
	 else echo "Open MPI not found (Debian: openmpi-bin libopenmpi-dev): the cluster build's tests are skipped"; fi

# The cluster build: build-mpi/dlspecies, run as mpirun -np K build-mpi/dlspecies ...
mpi:
	cmake -S . -B build-mpi -DCMAKE_BUILD_TYPE=Release -DDLS_MPI=ON $(CMAKE_FLAGS)
	cmake --build build-mpi -j $(JOBS) --target dlspecies dlspecies-plain dlsim

# Its tests: reports of 1, 2 and 3 ranks against the plain build's.
test-mpi: mpi
	cmake --build build-mpi -j $(JOBS) --target mpi_tests
	ctest --test-dir build-mpi --output-on-failure -R '^Mpi[.]'

# Benchmarks in Release: tree reading, plain and compressed, then the
# data-set ladder (bench/RESULTS.md).
bench: build
	cmake --build $(BUILD_DIR) -j $(JOBS) --target benchmarks
	./$(BUILD_DIR)/bench/bench_read_deep_tree
	./$(BUILD_DIR)/bench/bench_ladder $(BUILD_DIR)

# The reading of READ_MEGABYTES of trees alone, plain and gzip-compressed.
bench-read: $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j $(JOBS) --target bench_read_compressed dlsim
	./$(BUILD_DIR)/bench/bench_read_compressed $(BUILD_DIR) $(READ_MEGABYTES)

bench-large: build
	cmake --build $(BUILD_DIR) -j $(JOBS) --target benchmarks
	./$(BUILD_DIR)/bench/bench_ladder $(BUILD_DIR) --large

# The genome-scale case with two ranks of one thread against one process of two threads.
bench-mpi: build mpi
	cmake --build $(BUILD_DIR) -j $(JOBS) --target benchmarks
	./$(BUILD_DIR)/bench/bench_ladder $(BUILD_DIR) --mpi build-mpi

# Distance of the tree found to the generating species tree: on gene trees
# estimated by FastTree from simulated sequences (installed when missing),
# then on gene trees with random leaf moves (bench/RESULTS.md);
# ACCURACY_ARGS=--quick (or the options of bench/accuracy.cpp) runs a part.
bench-accuracy: build
	@command -v FastTree >/dev/null || command -v fasttree >/dev/null || \
	  { apt-get update && apt-get install -y --no-install-recommends fasttree; }
	cmake --build $(BUILD_DIR) -j $(JOBS) --target bench_accuracy bench_tree_distance
	./$(BUILD_DIR)/bench/bench_accuracy $(BUILD_DIR) $(ACCURACY_ARGS)

# Each fuzz target for FUZZ_SECONDS, in a clang build of its own.
fuzz:
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDLS_FUZZ=ON -DDLS_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build build-fuzz -j $(JOBS) --target fuzz_tree_input fuzz_side_files fuzz_reading fuzz_weighted_run dlsim
	tests/fuzz/run_fuzzers.sh build-fuzz $(FUZZ_SECONDS)

# What make install installed: CMake's $(BUILD_DIR)/install_manifest.txt
# with DESTDIR in front, kept as $(BUILD_DIR)/installed_files.txt for make
# uninstall (make package writes a manifest of its own over CMake's).
install: $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j $(JOBS) --target $(INSTALLED_TARGETS)
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD_DIR) --prefix "$(PREFIX)"
	sed 's|^|$(DESTDIR)|' $(BUILD_DIR)/install_manifest.txt > $(BUILD_DIR)/installed_files.txt

uninstall:
	@test -f $(BUILD_DIR)/installed_files.txt || { echo "nothing installed from $(BUILD_DIR)" >&2; exit 1; }
	xargs -r -d '\n' rm -f < $(BUILD_DIR)/installed_files.txt
	sed -n 's|^\(.*/share/doc/dlspecies\)/.*|\1|p' $(BUILD_DIR)/installed_files.txt | sort -u | \
	  xargs -r -d '\n' rmdir --ignore-fail-on-non-empty
	rm -f $(BUILD_DIR)/installed_files.txt

# The Debian package $(BUILD_DIR)/dlspecies_VERSION_ARCH.deb, with CPack.
package: $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j $(JOBS) --target $(INSTALLED_TARGETS)
	cd $(BUILD_DIR) && cpack -G DEB

clean:
	rm -rf $(BUILD_DIR) build-sanitize build-tsan build-fuzz build-nogtest build-nozlib build-mpi
