# The two commands of the README:
#   make run    set up, build and start quandel on the bundled sample library
#   make check  set up, build and run the whole test suite
#
# Set-up installs the Debian packages the build needs when run as root, and
# otherwise prints the one apt-get line to run and stops.

PACKAGES := cmake ninja-build g++ clang make pkg-config qt6-base-dev qt6-svg-dev libgl-dev libzip-dev fonts-dejavu-core xdg-utils poppler-utils desktop-file-utils appstream dpkg-dev xvfb xdotool openbox x11-utils
BUILD_DIR := build
PACKAGE_DIR := build-package
JOBS ?= $(shell nproc)

.PHONY: run check check-asan package package-test deps configure build clean

run: build
	$(BUILD_DIR)/bin/quandel examples/Bibliothek

check: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# The whole suite once more, built with clang's address and undefined-behaviour
# sanitizers. Leak reports are off: Qt and the font libraries keep caches
# until exit that the leak checker would count.
check-asan: deps
	@test -f build-asan/build.ninja || cmake --preset asan
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

# The Debian package, from a release build of the two programs in a folder of
# its own, checked by lintian and started from a scratch root.
package: PACKAGES += lintian qt6-translations-l10n
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
