# Set-up, build and test on a fresh Debian 12 machine.
#   make run    install what is missing, build, start the program
#   make test   install what is missing, build, run every test (also under the sanitizers)

SHELL := /bin/bash
JOBS ?= $(shell nproc)

# Exactly the Debian packages the project builds, tests and runs with.
PACKAGES := build-essential cmake pkg-config \
            libtiff-dev libjpeg62-turbo-dev libpng-dev libgif-dev zlib1g-dev \
            qt6-base-dev libgl-dev \
            libgtest-dev nlohmann-json3-dev \
            fonts-noto-cjk

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
SAMPLE := build/sample/sample.tif

.PHONY: deps build build-asan run install screenshots artwork test test-dev test-asan clean

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' "$$p" 2>/dev/null | grep -q '^install ok installed$$' || echo "$$p"; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update -q && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -q --no-install-recommends $$missing; \
	else echo "All build packages are installed."; fi

build: deps
	cmake --preset dev
	cmake --build --preset dev -j $(JOBS)

build-asan: deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)

# Starts the program; a three-page sample document to try it on is written beside it.
run: build
	@mkdir -p $(dir $(SAMPLE))
	./build/dev/tests/make_sample $(SAMPLE)
	@echo "A sample document to open: $(SAMPLE)"
	./build/dev/app/orvelle

# Installs the program, the command-line front end, a desktop entry and icons under PREFIX.
PREFIX ?= /usr/local
install: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)
	$(SUDO) cmake --install build/release --prefix $(PREFIX)

# Pictures of the four pages for the README, drawn offscreen.
screenshots: build
	QT_QPA_PLATFORM=offscreen ./build/dev/tests/take_screenshots docs

# Redraws the program's pictures into resources/images (they are committed).
artwork: build
	QT_QPA_PLATFORM=offscreen ./build/dev/resources/make_artwork resources/images

test-dev: build
	ctest --preset dev -j $(JOBS)

test-asan: build-asan
	ctest --preset asan -j $(JOBS)

test: test-dev test-asan

clean:
	rm -rf build
