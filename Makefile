# make run   installs what is missing, builds, indexes the samples, opens the browser
# make test  installs what is missing, builds, runs every test headless
# make bench builds in release mode and runs the benchmarks

PRESET ?= dev
BIN := build/$(PRESET)/bin

DEB_PACKAGES := cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev \
                libgtest-dev libgmock-dev libbenchmark-dev

SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)

.PHONY: deps build run test bench clean

deps:
	@missing=""; \
	for p in $(DEB_PACKAGES); do \
	  dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -q && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -q --no-install-recommends $$missing; \
	fi

build: deps
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET)

run: build
	$(BIN)/spellindex build $(BIN) wizard
	$(BIN)/spellindex build $(BIN) priest
	$(BIN)/spellbrowser

test: build
	ctest --preset $(PRESET)

bench:
	$(MAKE) build PRESET=release
	build/release/bin/data_bench
	QT_QPA_PLATFORM=offscreen build/release/bin/ui_bench

clean:
	rm -rf build
