# resistenze: two entry points, `make run` and `make test`. Every build is
# configured by a preset of CMakePresets.json (`cmake --preset NAME`), each
# in a folder of its own; `make clean` removes them all. Each target first
# installs the Debian packages of its purposes (scripts/install-deps).
BUILD ?= build
JOBS  ?= $(shell nproc)
FOLDERS = $(BUILD) build-run build-asan build-tsan build-fuzz build-package
# `make run` starts the program in the folder make was started from (PWD
# stays that folder under `make -C`).
RUN_IN ?= $(or $(PWD),$(CURDIR))
DEPS = bash scripts/install-deps
CONFIGURE = bash scripts/configure
# Ninja prints only what the compiler says.
COMPILE = cmake --build

.PHONY: run test build bench screenshot clean format install uninstall package
.PHONY: sanitize tsan fuzz

# The program, its tests and benchmarks (preset `test`).
build:
	@$(DEPS) run test cross
	@$(CONFIGURE) test $(BUILD)
	@echo "make: building the program and its tests in $(BUILD)/"
	@$(COMPILE) $(BUILD) -j $(JOBS) -- --quiet

# The program alone (preset `run`), started in the current folder; before
# anything is installed or built, a display must be reachable.
ifneq ($(filter run,$(MAKECMDGOALS)),)
NO_DISPLAY := $(shell bash scripts/check-display 2>&1)
ifneq ($(NO_DISPLAY),)
$(error $(NO_DISPLAY))
endif
endif
run:
	@$(DEPS) run
	@$(CONFIGURE) run build-run
	@echo "make: building the program in build-run/"
	@$(COMPILE) build-run -j $(JOBS) --target resistenze -- --quiet
	@bash scripts/run-program build-run "$(RUN_IN)"

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# `make install PREFIX=/usr/local DESTDIR=...`; `make uninstall` removes the
# files listed in $(BUILD)/install_manifest.txt, then the folders the install
# created that are left empty.
PREFIX ?= /usr/local
install: build
	@DESTDIR="$(DESTDIR)" bash scripts/install-tree $(BUILD) "$(PREFIX)"
uninstall:
	@DESTDIR="$(DESTDIR)" bash scripts/uninstall $(BUILD)/install_manifest.txt "$(PREFIX)"

# The Debian packages resistenze, libfgdip1 and libfgdip-dev in
# build-package/, checked by lintian.
package:
	@$(DEPS) run package
	@$(CONFIGURE) package build-package
	@echo "make: building the packages in build-package/"
	@$(COMPILE) build-package -j $(JOBS) -- --quiet
	@cd build-package && cpack -G DEB >/dev/null
	@ls build-package/*.deb
	@lintian --fail-on error,warning build-package/*.deb

bench:
	@$(DEPS) run test cross bench
	@$(CONFIGURE) test $(BUILD)
	@$(COMPILE) $(BUILD) -j $(JOBS) -- --quiet
	@bash scripts/run-benchmarks $(BUILD)

screenshot: build
	@bash scripts/screenshot $(BUILD)

# AddressSanitizer + UndefinedBehaviorSanitizer (preset `asan`): the whole
# suite. Leaks inside system libraries are suppressed in tests/lsan.supp.
SAN_ENV = ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0
sanitize:
	@$(DEPS) run test cross sanitize
	@$(CONFIGURE) asan build-asan
	@$(COMPILE) build-asan -j $(JOBS) -- --quiet
	@cd build-asan && $(SAN_ENV) QT_QPA_PLATFORM=offscreen \
		ctest --output-on-failure -j $(JOBS)

# ThreadSanitizer (preset `tsan`): the library's thread test, and the
# program started with its work ahead and ended at once, again and again.
TSAN_TARGET ?= fgdip_threads test_program
TSAN_TEST ?= ^(fgdip_threads|Program\.StartAndEndAtOnce)$$
tsan:
	@$(DEPS) run test sanitize
	@$(CONFIGURE) tsan build-tsan
	@$(COMPILE) build-tsan -j $(JOBS) --target $(TSAN_TARGET) -- --quiet
	@cd build-tsan && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
		QT_QPA_PLATFORM=offscreen ctest --output-on-failure -R '$(TSAN_TEST)' --no-tests=error

# libFuzzer targets (preset `fuzz`, clang), each run for FUZZ_SECONDS on a
# copy of its committed seed corpus; a crash leaves its input in build-fuzz/.
FUZZ_SECONDS ?= 60
fuzz:
	@$(DEPS) run sanitize
	@$(CONFIGURE) fuzz build-fuzz
	@$(COMPILE) build-fuzz -j $(JOBS) --target fuzzers -- --quiet
	@bash fuzz/run $(FUZZ_SECONDS) build-fuzz

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h' '*.c')

clean:
	rm -rf $(FOLDERS)
