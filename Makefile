# resistenze: two entry points, `make run` and `make test`.
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: run test build deps bench screenshot clean format

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

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h' '*.c')

clean:
	rm -rf $(BUILD)
