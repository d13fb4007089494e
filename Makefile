# resistenze: two entry points, `make run` and `make test`.
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: run test build deps bench screenshot clean format
.PHONY: sanitize tsan fuzz

deps:
	@bash scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@bash scripts/run-program $(BUILD)

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# `make install PREFIX=/usr/local DESTDIR=...`; uninstall with
# `xargs rm < $(BUILD)/install_manifest.txt`.
.PHONY: install package
PREFIX ?= /usr/local
install: build
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# The Debian package, $(BUILD)/resistenze_<version>_<arch>.deb.
package: build
	@cd $(BUILD) && cpack -G DEB

bench: build
	@bash scripts/run-benchmarks $(BUILD)

screenshot: build
	@bash scripts/screenshot $(BUILD)

# AddressSanitizer + UndefinedBehaviorSanitizer: the whole suite, in its own
# folder. Leaks inside system libraries are suppressed in tests/lsan.supp.
SAN_FLAGS = -O1 -g -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=all
SAN_ENV = ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0
sanitize: deps
	@cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=None -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON \
		-DCMAKE_C_FLAGS="$(SAN_FLAGS)" -DCMAKE_CXX_FLAGS="$(SAN_FLAGS)" \
		-DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
		-DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
	@cmake --build build-asan -j $(JOBS)
	@cd build-asan && $(SAN_ENV) QT_QPA_PLATFORM=offscreen \
		ctest --output-on-failure -j $(JOBS)

# ThreadSanitizer: the library's thread test only.
TSAN_FLAGS = -O1 -g -fno-omit-frame-pointer -fsanitize=thread
TSAN_TARGET ?= fgdip_threads
TSAN_TEST ?= ^$(TSAN_TARGET)$$
tsan: deps
	@cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=None -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON \
		-DCMAKE_C_FLAGS="$(TSAN_FLAGS)" -DCMAKE_CXX_FLAGS="$(TSAN_FLAGS)" \
		-DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" \
		-DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=thread" >/dev/null
	@cmake --build build-tsan -j $(JOBS) --target $(TSAN_TARGET)
	@cd build-tsan && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
		QT_QPA_PLATFORM=offscreen ctest --output-on-failure -R '$(TSAN_TEST)' --no-tests=error

# libFuzzer targets (clang), each run for FUZZ_SECONDS on a copy of its
# committed seed corpus; a crash leaves its input in build-fuzz/.
FUZZ_SECONDS ?= 60
fuzz: deps
	@cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=None -DRESISTENZE_FUZZ=ON -DBUILD_TESTING=OFF \
		-DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON \
		-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake --build build-fuzz -j $(JOBS) --target fuzzers
	@bash fuzz/run $(FUZZ_SECONDS) build-fuzz

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h' '*.c')

clean:
	rm -rf $(BUILD)
