# Entry points: make deps | build | run | test | bench | captures | install | package | verifier-paquet
BUILD_DIR ?= build
JOBS ?= 2
# The build and the tests (a virtual X display and a window manager for the X11 test of the
# windows).
PACKAGES := g++ make cmake pkg-config man-db qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite \
            libsodium-dev libarchive-dev libsqlite3-dev libgl-dev tinyproxy nginx-light curl \
            desktop-file-utils dpkg-dev file qt6-translations-l10n \
            qt6-base-private-dev strace libsystemd-dev libxcb1-dev \
            xvfb openbox
# Only for `make captures`: a virtual X display, a window manager, a panel with a notification
# area, and the tools that drive and photograph the windows.
CAPTURES_PACKAGES := xvfb openbox tint2 xdotool imagemagick x11-utils zip
# Only for `make package`: Debian's checker of packages and the manual pages' checker it runs.
PACKAGE_PACKAGES := lintian man-db groff-base
# Only for `make verifier-paquet`: what the check runs inside its private system.
VERIFIER_PACKAGES := systemd util-linux procps sqlite3 passwd
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps configure build run test bench captures install package verifier-paquet clean

# Installs the Debian packages of the list that are missing.
define installer
	@missing=$$(for p in $(1); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	    echo "Installation de :" $$missing; \
	    $(SUDO) apt-get update -qq && \
	    DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi
endef

deps:
	$(call installer,$(PACKAGES))

configure: deps
	@[ -f $(BUILD_DIR)/CMakeCache.txt ] || cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	./scripts/demo.sh $(BUILD_DIR)

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j 1

bench: build
	./bench/run.sh $(BUILD_DIR)

# A tour of every window on a virtual display; the images go to $(BUILD_DIR)/captures.
captures: build
	$(call installer,$(CAPTURES_PACKAGES))
	./scripts/captures.sh $(BUILD_DIR)

install: build
	cmake --install $(BUILD_DIR)

# The Debian package and its debug symbols' package in $(BUILD_DIR), each checked by lintian:
# any error or warning fails the target.
package: build
	$(call installer,$(PACKAGE_PACKAGES))
	rm -f $(BUILD_DIR)/*.deb $(BUILD_DIR)/*.ddeb
	cd $(BUILD_DIR) && cpack -G DEB
	lintian --fail-on error,warning $(BUILD_DIR)/*.deb $(BUILD_DIR)/*.ddeb

# The package installed, started, reinstalled, stopped and purged under a real systemd in
# private namespaces of this machine (as root); not part of `make test`.
verifier-paquet: package
	$(call installer,$(VERIFIER_PACKAGES))
	./scripts/verifier-paquet.sh $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR)
