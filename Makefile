# The two commands of the README:
#   make run    set up, build and start quandel on a scratch copy of the
#               bundled sample library (build/Bibliothek, made on first use)
#   make check  set up, build and run the whole test suite, the end-to-end
#               tests under a private X server (label `desktop`) included
#
# Set-up installs the Debian packages the build needs when run as root, and
# otherwise prints the one apt-get line to run and stops.

PACKAGES := cmake ninja-build g++ clang make pkg-config qt6-base-dev qt6-svg-dev libgl-dev libzip-dev fonts-dejavu-core xdg-utils poppler-utils desktop-file-utils appstream dpkg-dev \
	qt6-translations-l10n xvfb openbox dbus-x11 at-spi2-core python3-pyatspi xdotool x11-utils imagemagick
BUILD_DIR := build
JOBS ?= $(shell nproc)

.PHONY: run check check-asan package deps configure build clean

# The program renames, deletes and saves: it works on a copy, so the tracked
# samples stay as they are. Remove build/Bibliothek to start afresh.
SCRATCH := $(BUILD_DIR)/Bibliothek

run: build
	@test -d $(SCRATCH) || cp -r examples/Bibliothek $(SCRATCH)
	$(BUILD_DIR)/bin/quandel $(SCRATCH)

check: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

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

package: build
	cd $(BUILD_DIR) && cpack -G DEB
	cmake/package-test.sh $(BUILD_DIR)

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
