# The two commands of the README:
#   make run    set up, build and start quandel on a scratch copy of the
#               bundled sample library (build/Bibliothek, made on first use)
#   make check  set up, build and run the whole test suite, the end-to-end
#               tests under a private X server (label `desktop`) included
#   make lint   clang-format and clang-tidy over the tree (tools/lint.sh)
#
# Set-up installs the Debian packages the build needs when run as root, and
# otherwise prints the one apt-get line to run and stops.

PACKAGES := cmake ninja-build g++ clang make pkg-config qt6-base-dev qt6-svg-dev libgl-dev libzip-dev fonts-dejavu-core xdg-utils poppler-utils desktop-file-utils appstream dpkg-dev \
	qt6-translations-l10n xvfb openbox dbus-x11 at-spi2-core python3-pyatspi xdotool x11-utils imagemagick weston qt6-wayland
BUILD_DIR := build
PACKAGE_DIR := build-package
JOBS ?= $(shell nproc)

.PHONY: run check lint check-asan package package-test bench deps configure build clean screenshots

# The program renames, deletes and saves: it works on a copy, so the tracked
# samples stay as they are. Remove build/Bibliothek to start afresh.
SCRATCH := $(BUILD_DIR)/Bibliothek

run: build
	@test -d $(SCRATCH) || cp -r examples/Bibliothek $(SCRATCH)
	$(BUILD_DIR)/bin/quandel $(SCRATCH)

check: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# The lint stage: fails on a clang-format diff and on any clang-tidy finding
# (.clang-tidy) in the project's sources, over the compile commands of the
# build; it brings its two tools itself, as package: brings lintian.
lint: PACKAGES += clang-tidy clang-format
lint: build
	JOBS=$(JOBS) tools/lint.sh $(BUILD_DIR)

# The whole suite once more, built with clang's address and undefined-behaviour
# sanitizers. Leak reports are off: Qt and the font libraries keep caches
# until exit that the leak checker would count. The end-to-end tests (label
# `desktop`) are left out: they test the same code through the screen and
# would double the run time under the sanitizers.
check-asan: deps
	@test -f build-asan/build.ninja || cmake --preset asan
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS) -LE desktop

# The figures of the README's benchmark section, from an optimised build in
# build-release/ over all corpora (BENCH_ARGS adds options, e.g. --rounds 9).
bench: deps
	@command -v rg >/dev/null 2>&1 || { \
	  if [ "$$(id -u)" = 0 ]; then \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends ripgrep; \
	  else \
	    echo "ripgrep is missing. Please run:"; echo "  sudo apt-get install -y ripgrep"; exit 1; \
	  fi; }
	@test -f build-release/build.ninja || cmake --preset release
	cmake --build build-release -j $(JOBS) --target quandel-bench
	build-release/bin/quandel-bench --matrix $(BENCH_ARGS)

# The README's pictures, taken on a private desktop under openbox.
screenshots: build
	tools/screenshots.sh $(BUILD_DIR)

# The Debian package, from a release build of the two programs in a folder of
# its own, checked by lintian and started from a scratch root.
package: PACKAGES += lintian
package: deps
	@test -f $(PACKAGE_DIR)/build.ninja || cmake --preset package
	cmake --build $(PACKAGE_DIR) -j $(JOBS)
	cd $(PACKAGE_DIR) && cpack -G DEB
	cmake/package-test.sh $(PACKAGE_DIR)

# Installs the package built by make package for real (as root), tries the
# installed program on a private X server, and removes the package again.
package-test:
	cmake/installed-package-test.sh $(PACKAGE_DIR)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

configure: deps
	@test -f $(BUILD_DIR)/build.ninja || cmake --preset default

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing:$$missing"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	  else \
	    echo "Missing packages. Please run:"; \
	    echo "  sudo apt-get install -y$$missing"; \
	    exit 1; \
	  fi; \
	fi

clean:
	rm -rf $(BUILD_DIR)
