# make run   installs what is missing, builds, indexes the samples, opens the browser
# make test  installs what is missing, builds and runs every test headless, twice:
#            the normal build (preset dev), then under AddressSanitizer and
#            UndefinedBehaviorSanitizer (preset asan, gcc's sanitizers)
# make fuzz  installs clang when missing, builds the libFuzzer targets (preset
#            fuzz) and runs each for FUZZ_SECONDS (default 60)
# make bench builds in release mode and runs the benchmarks

PRESET ?= dev
BIN := build/$(PRESET)/bin

DEB_PACKAGES := cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev \
                libgtest-dev libgmock-dev libbenchmark-dev
# The fuzz preset builds the data library and the fuzz targets only.
FUZZ_PACKAGES := cmake ninja-build clang libclang-rt-14-dev

FUZZ_SECONDS ?= 60
FUZZ_TARGETS := fuzz_build_index fuzz_read_index fuzz_decode
FUZZ_WORK := build/fuzz/work

SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)

.PHONY: deps fuzz-deps build run test fuzz bench clean

# Installs those of the Debian packages $(1) that are missing.
define install_missing
	@missing=""; \
	for p in $(1); do \
	  dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -q && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -q --no-install-recommends $$missing; \
	fi
endef

deps:
	$(call install_missing,$(DEB_PACKAGES))

fuzz-deps:
	$(call install_missing,$(FUZZ_PACKAGES))

build: deps
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET)

run: build
	$(BIN)/spellindex build $(BIN) wizard
	$(BIN)/spellindex build $(BIN) priest
	$(BIN)/spellbrowser

# The sanitizer run comes last, so that the output ends with its summary.
test: deps
	cmake --preset dev
	cmake --build --preset dev
	ctest --preset dev
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan

# Each target starts from its committed seeds in fuzz/corpus/ and keeps
# what it finds in $(FUZZ_WORK); a crash leaves its input there too.
fuzz: fuzz-deps
	cmake --preset fuzz
	cmake --build --preset fuzz
	@set -e; for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_WORK)/$$t; \
	  echo "== $$t: $(FUZZ_SECONDS) s"; \
	  build/fuzz/bin/$$t -max_total_time=$(FUZZ_SECONDS) -timeout=10 -print_final_stats=1 \
	    -artifact_prefix=$(FUZZ_WORK)/$$t- $(FUZZ_WORK)/$$t fuzz/corpus/$$t; \
	done

# Medians of five runs; BENCH_FLAGS takes any of Google Benchmark's flags.
BENCH_FLAGS ?= --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

bench:
	$(MAKE) build PRESET=release
	build/release/bin/data_bench $(BENCH_FLAGS)
	QT_QPA_PLATFORM=offscreen build/release/bin/ui_bench $(BENCH_FLAGS)

clean:
	rm -rf build
