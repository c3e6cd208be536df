# SPDX-License-Identifier: MIT
# make run   installs what is missing, builds, indexes the samples, opens the browser
# make test  installs what is missing, builds and runs every test headless, twice:
#            the normal build (preset dev), then under AddressSanitizer and
#            UndefinedBehaviorSanitizer (preset asan, gcc's sanitizers)
# make fuzz  installs clang when missing, builds the libFuzzer targets (preset
#            fuzz) and runs each for FUZZ_SECONDS (default 60)
# make bench builds in release mode and runs the benchmarks
# make install  builds the programs (release) and installs them with their
#            desktop files, icons, man pages and samples:
#            make install PREFIX=/usr/local DESTDIR=/tmp/stage (both optional)
# make package  builds the Debian packages build/dist/spellindex_<version>_<arch>.deb
#            (the command-line tool) and build/dist/spells_<version>_<arch>.deb
#            (the browser, which depends on spellindex): preset dist
# make icons re-renders the committed PNG icons from their SVG drawings
# make tidy  runs clang-tidy (checks in .clang-tidy) over data/, ui/ and cli/
# make translations  updates res/translations/*.ts from the sources (lupdate)

PRESET ?= dev
BIN := build/$(PRESET)/bin

DEB_PACKAGES := cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev \
                libgtest-dev libgmock-dev libbenchmark-dev \
                desktop-file-utils appstream \
                poppler-utils fonts-dejavu-core
# The window's translations: lupdate and lrelease, and their CMake functions.
DEB_PACKAGES += qt6-tools-dev qt6-l10n-tools
# The strict JSON parser of the spellindex tests.
DEB_PACKAGES += python3-minimal
# The accessibility session test: a headless X server, a D-Bus session
# with the AT-SPI registry, the AT-SPI client for Python, keys typed with
# xdotool and the clipboard read with xclip.
DEB_PACKAGES += xvfb dbus dbus-daemon at-spi2-core python3-gi gir1.2-atspi-2.0 xdotool xclip
# cpack's Debian generator reads library dependencies with dpkg-shlibdeps,
# which finds the binaries with file; the tests check the packages with
# lintian.
PACKAGE_PACKAGES := dpkg-dev file lintian
ICON_PACKAGES := librsvg2-bin imagemagick
# The fuzz preset builds the data library and the fuzz targets only.
FUZZ_PACKAGES := cmake ninja-build clang libclang-rt-14-dev
TIDY_PACKAGES := clang-tidy

FUZZ_SECONDS ?= 60
FUZZ_TARGETS := fuzz_build_index fuzz_read_index fuzz_decode
FUZZ_WORK := build/fuzz/work

# Install location; DESTDIR stages the files below another root.
PREFIX ?= /usr/local
DESTDIR ?=
# The programs alone, optimised and hardened, for install and package
# (preset dist).
DIST := build/dist

SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)

.PHONY: deps fuzz-deps package-deps icon-deps tidy-deps build run test fuzz bench tidy translations dist-build install package icons clean

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

package-deps:
	$(call install_missing,$(PACKAGE_PACKAGES))

icon-deps:
	$(call install_missing,$(ICON_PACKAGES))

tidy-deps:
	$(call install_missing,$(TIDY_PACKAGES))

build: deps
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET)

run: build
	$(BIN)/spellindex build $(BIN) wizard
	$(BIN)/spellindex build $(BIN) priest
	$(BIN)/spellbrowser

# The sanitizer run comes last, so that the output ends with its summary.
# The tests build the packages (preset dist) and check them with lintian.
test: deps package-deps
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
	build/release/bin/check_bench $(BENCH_FLAGS)
	QT_QPA_PLATFORM=offscreen build/release/bin/ui_bench $(BENCH_FLAGS)
	QT_QPA_PLATFORM=offscreen build/release/bin/list_load_probe 100000
	QT_QPA_PLATFORM=offscreen build/release/bin/list_load_probe 1000000
	QT_QPA_PLATFORM=offscreen build/release/bin/startup_probe
	QT_QPA_PLATFORM=offscreen build/release/bin/latency_probe 100000
	QT_QPA_PLATFORM=offscreen build/release/bin/latency_probe 1000000

# Uses the dev build's compile commands; any finding fails the target.
tidy: build tidy-deps
	run-clang-tidy -quiet -p build/dev '$(CURDIR)/(data/[a-z]+|ui|cli)/[^/]*\.cpp$$'

# lupdate collects the window's texts and the messages table into the .ts
# files; the build turns them into the .qm files the program embeds.
translations: deps
	cmake --preset dev
	cmake --build build/dev --target update_translations

dist-build: deps
	cmake --preset dist
	cmake --build --preset dist

install: dist-build
	DESTDIR="$(DESTDIR)" cmake --install $(DIST) --prefix "$(PREFIX)"

package: dist-build package-deps
	cpack --preset dist
	@ls -l $(DIST)/*.deb

# The 1x school icons are drawn by hand as 16-colour XPM files; the 32 x 32
# ones are drawn as SVG and rendered here. The application icon is one
# drawing, dist/icons/spells.svg, with a variant laid on the pixels for
# 16 x 16 (spells-16.svg); the window icon (res/icons/mainframe_*) and the
# hicolor theme icons (dist/icons/spells-*) are rendered from them.
icons: icon-deps
	for f in res/icons/src/*.svg; do \
	  rsvg-convert -w 32 -h 32 $$f -o res/icons/$$(basename $$f .svg)_32.png; \
	done
	rsvg-convert dist/icons/spells-16.svg -o res/icons/mainframe_16.png
	for s in 32 48 64 96; do rsvg-convert -w $$s -h $$s dist/icons/spells.svg -o res/icons/mainframe_$$s.png; done
	rsvg-convert dist/icons/spells-16.svg -o dist/icons/spells-16.png
	for s in 32 48 64 128 256; do rsvg-convert -w $$s -h $$s dist/icons/spells.svg -o dist/icons/spells-$$s.png; done

clean:
	rm -rf build
