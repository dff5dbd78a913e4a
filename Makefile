# Clarvane: the two commands of the README are `make run` and `make test`.
BUILD      ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS       ?= 2
PREFIX     ?= /usr/local
FUZZ_SECONDS ?= 60
# The second build of `make test`: every test again under AddressSanitizer and UBSan.
BUILD_ASAN ?= build-asan
# Warnings are errors in CI (CI=true is set there) and wherever WERROR=ON is given.
WERROR     ?= $(if $(CI),ON,OFF)
# ccache, when the machine has it, keeps rebuilds short.
LAUNCHER   := $(if $(shell command -v ccache 2>/dev/null),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache,)

.PHONY: all deps configure build run test test-asan bench fuzz install uninstall package clean

all: build

deps:
	@bash scripts/install-deps

$(BUILD)/build.ninja: CMakeLists.txt | deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
	  -DCLARVANE_WERROR=$(WERROR) -DCMAKE_INSTALL_PREFIX=$(PREFIX) $(LAUNCHER) >/dev/null

configure: deps $(BUILD)/build.ninja

build: configure
	@ninja -C $(BUILD) -j$(JOBS)

# `make run` starts the program; `make run FILES="a.jpg b.nef"` prints what it reads from those files.
run: build
ifneq ($(strip $(FILES)),)
	@$(BUILD)/bin/clarvane-exif $(FILES)
else
	@$(BUILD)/bin/clarvane
endif

# The tests, then the same tests built with the sanitizers, then a short fuzz run of the
# EXIF reader: any failure, sanitizer finding or crash fails `make test`.
test: build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS)
	@$(MAKE) --no-print-directory test-asan
	@$(MAKE) --no-print-directory fuzz

test-asan: deps
	@cmake -S . -B $(BUILD_ASAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" \
	  -DCLARVANE_SANITISEURS=ON -DCLARVANE_WERROR=$(WERROR) $(LAUNCHER) >/dev/null
	@ninja -C $(BUILD_ASAN) -j$(JOBS)
	@cd $(BUILD_ASAN) && ctest --output-on-failure -j$(JOBS)

bench: build
	@for b in $(BUILD)/bin/bench_*; do echo "== $$(basename $$b)"; "$$b" || exit 1; done

fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCLARVANE_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
	@ninja -C build-fuzz -j$(JOBS) fuzz_lireexif
	@bash fuzz/run-fuzz build-fuzz/bin/fuzz_lireexif $(FUZZ_SECONDS)

install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

uninstall:
	@if [ -f $(BUILD)/install_manifest.txt ]; then xargs -r rm -fv < $(BUILD)/install_manifest.txt; \
	 else echo "nothing installed from $(BUILD)"; fi

# The Debian package clarvane_<version>_<arch>.deb, in $(BUILD)/.
package: build
	@cd $(BUILD) && cpack -G DEB

clean:
	@rm -rf $(BUILD) $(BUILD_ASAN) build-fuzz
