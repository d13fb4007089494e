# resistenze: two entry points, `make run` and `make test`. Every build is
# configured by a preset of CMakePresets.json (`cmake --preset NAME`), each
# in a folder of its own; `make clean` removes them all.
BUILD ?= build
JOBS  ?= $(shell nproc)
FOLDERS = $(BUILD) build-run build-asan build-tsan build-fuzz build-package

.PHONY: run test build deps bench screenshot clean format
.PHONY: sanitize tsan fuzz

deps:
	@bash scripts/install-deps

# The program, its tests and benchmarks (preset `test`).
build: deps
	@cmake --preset test -B $(BUILD) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

# The program alone (preset `run`).
run: deps
	@cmake --preset run >/dev/null
	@cmake --build build-run -j $(JOBS)
	@bash scripts/run-program build-run

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# `make install PREFIX=/usr/local DESTDIR=...`; uninstall with
# `xargs rm < $(BUILD)/install_manifest.txt`.
.PHONY: install package
PREFIX ?= /usr/local
install: build
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# The Debian package, build-package/resistenze_<version>_<arch>.deb.
package: deps
	@cmake --preset package >/dev/null
	@cmake --build build-package -j $(JOBS)
	@cd build-package && cpack -G DEB

bench: build
	@bash scripts/run-benchmarks $(BUILD)

screenshot: build
	@bash scripts/screenshot $(BUILD)

# AddressSanitizer + UndefinedBehaviorSanitizer (preset `asan`): the whole
# suite. Leaks inside system libraries are suppressed in tests/lsan.supp.
SAN_ENV = ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0
sanitize: deps
	@cmake --preset asan >/dev/null
	@cmake --build build-asan -j $(JOBS)
	@cd build-asan && $(SAN_ENV) QT_QPA_PLATFORM=offscreen \
		ctest --output-on-failure -j $(JOBS)

# ThreadSanitizer (preset `tsan`): the library's thread test only.
TSAN_TARGET ?= fgdip_threads
TSAN_TEST ?= ^$(TSAN_TARGET)$$
tsan: deps
	@cmake --preset tsan >/dev/null
	@cmake --build build-tsan -j $(JOBS) --target $(TSAN_TARGET)
	@cd build-tsan && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
		QT_QPA_PLATFORM=offscreen ctest --output-on-failure -R '$(TSAN_TEST)' --no-tests=error

# libFuzzer targets (preset `fuzz`, clang), each run for FUZZ_SECONDS on a
# copy of its committed seed corpus; a crash leaves its input in build-fuzz/.
FUZZ_SECONDS ?= 60
fuzz: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build build-fuzz -j $(JOBS) --target fuzzers
	@bash fuzz/run $(FUZZ_SECONDS) build-fuzz

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h' '*.c')

clean:
	rm -rf $(FOLDERS)
