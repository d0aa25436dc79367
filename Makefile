# Set-up, build and test on a fresh Debian 12 machine.
#   make run    install what is missing, build, start the program
#   make test   install what is missing, build, run every test (also under the address and
#               undefined-behaviour sanitizers, and the threaded suites under ThreadSanitizer)

SHELL := /bin/bash
JOBS ?= $(shell nproc)

# Exactly the Debian packages the project builds, tests and runs with.
PACKAGES := build-essential cmake pkg-config \
            libtiff-dev libjpeg62-turbo-dev libpng-dev libgif-dev zlib1g-dev libqpdf-dev \
            libopenjp2-7-dev libturbojpeg0-dev qt6-pdf-dev \
            libtesseract-dev tesseract-ocr-eng tesseract-ocr-chi-sim tesseract-ocr-osd \
            qt6-base-dev libgl-dev qt6-translations-l10n qt6-tools-dev qt6-l10n-tools \
            libgtest-dev nlohmann-json3-dev \
            qpdf poppler-utils img2pdf \
            tesseract-ocr ghostscript libtiff-tools libjpeg-turbo-progs libopenjp2-tools python3-reportlab \
            desktop-file-utils appstream bash-completion lintian parallel jq \
            fonts-noto-cjk

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
SAMPLE := build/sample/sample.tif

.PHONY: deps build build-asan build-tsan run install package screenshots artwork test test-dev test-asan test-tsan clean fuzz

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

# Only the suites that run work on several threads, under ThreadSanitizer.
build-tsan: deps
	cmake --preset tsan
	cmake --build --preset tsan -j $(JOBS)

# Starts the program; a three-page sample document to try it on is written beside it. Only
# the programs are built: the tests are `make test`'s.
run: deps
	cmake --preset dev
	cmake --build --preset dev -j $(JOBS) --target orvelle orvelle-cli make_sample
	@mkdir -p $(dir $(SAMPLE))
	./build/dev/tools/make_sample $(SAMPLE)
	@echo "A sample document to open: $(SAMPLE)"
	./build/dev/app/orvelle

# Installs the program, the command-line front end, a desktop entry and icons under PREFIX.
PREFIX ?= /usr/local
install: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)
	$(SUDO) cmake --install build/release --prefix $(PREFIX)

# A Debian package of the release build: build/orvelle_<version>_<arch>.deb.
package: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)
	cpack --config build/release/CPackConfig.cmake -B build

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

# The thread-heavy suites on one, two and four workers.
test-tsan: build-tsan
	for workers in 1 2 4; do ORVELLE_WORKERS=$$workers ctest --preset tsan -j $(JOBS) || exit 1; done

test: test-dev test-asan test-tsan

clean:
	rm -rf build

# Fuzzing: builds one libFuzzer target per decoder with clang, AddressSanitizer and UBSan,
# seeds them from the public corpus and the crash corpus, and runs each for FUZZ_SECONDS,
# going on past findings. Findings land in build/fuzz/findings/<target>/; each becomes a
# named file in fuzz/crashes/<target>/, which `make test` runs. A crash or a leak found in
# this run fails it; hangs and memory exhaustion are reported only, as the limits are tight.
FUZZ_SECONDS ?= 600
FUZZ_TARGETS ?= tiff jpeg png gif bmp pdf lzw g4
fuzz:
	@for p in clang-14 libfuzzer-14-dev; do \
	  dpkg-query -W -f='$${Status}\n' "$$p" 2>/dev/null | grep -q '^install ok installed$$' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  $(SUDO) apt-get update -q && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -q --no-install-recommends $$missing; fi
	$(MAKE) build
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)
	fuzz/seed.sh build/fuzz/seeds ../shared/corpus
	@status=0; for t in $(FUZZ_TARGETS); do \
	  mkdir -p build/fuzz/corpus/$$t build/fuzz/findings/$$t fuzz/crashes/$$t; \
	  touch build/fuzz/start_$$t; \
	  echo "== fuzz_$$t for $(FUZZ_SECONDS) s"; \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/fuzz/lsan.supp ./build/fuzz/fuzz/fuzz_$$t -fork=1 -ignore_timeouts=1 -ignore_ooms=1 -ignore_crashes=1 \
	    -rss_limit_mb=1024 -malloc_limit_mb=1024 -timeout=2 -max_len=262144 \
	    -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    -artifact_prefix=build/fuzz/findings/$$t/ \
	    build/fuzz/corpus/$$t build/fuzz/seeds/$$t fuzz/crashes/$$t \
	    > build/fuzz/fuzz_$$t.log 2>&1; \
	  grep -E '(DONE|stat::|ERROR|crash|timeout|oom)' build/fuzz/fuzz_$$t.log || true; \
	  found=$$(find build/fuzz/findings/$$t -newer build/fuzz/start_$$t \( -name 'crash-*' -o -name 'leak-*' \) -print); \
	  if [ -n "$$found" ]; then echo "fuzz_$$t found crashes or leaks:" $$found; status=1; fi; \
	done; exit $$status
