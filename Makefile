# The README's two commands are `make demo` and `make test`.
BUILD      ?= build
BUILD_ASAN ?= build-asan
JOBS       ?= $(shell nproc)

.PHONY: setup build build-asan demo test test-asan bench fuzz deb deb-check clean

setup:
	@scripts/setup.sh

build: setup
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

build-asan: setup
	cmake -S . -B $(BUILD_ASAN) -DCMAKE_BUILD_TYPE=Debug -DTARNEL_SANITIZE=ON >/dev/null
	cmake --build $(BUILD_ASAN) -j $(JOBS)

demo: build
	scripts/demo.sh $(BUILD)

test: build node_modules
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-asan: build-asan node_modules
	ctest --test-dir $(BUILD_ASAN) --output-on-failure -j $(JOBS)

# The browser tests' npm packages, exactly as package-lock.json pins them.
node_modules: package.json package-lock.json
	npm ci --no-audit --no-fund
	@touch node_modules

bench: build
	for b in $(BUILD)/bench/tarnel_*bench; do "$$b" || exit 1; done

# Each parser's fuzz target for FUZZ_SECONDS (default 30) under libFuzzer.
fuzz: setup
	scripts/fuzz.sh

# tarnel_<version>_amd64.deb in this folder, built the Debian way from the checkout.
deb: setup
	dpkg-buildpackage -b --no-sign -j$(JOBS)
	v=$$(dpkg-parsechangelog -S Version) && mv ../tarnel_$${v}_amd64.deb . && \
	  rm -f ../tarnel_$${v}_amd64.buildinfo ../tarnel_$${v}_amd64.changes

# The package installed, checked, run, upgraded, removed and purged on this
# machine (as root); it leaves the machine as it found it.
deb-check: deb
	scripts/deb-check.sh tarnel_$$(dpkg-parsechangelog -S Version)_amd64.deb

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) build-fuzz tarnel_*.deb
