# The README's two commands are `make demo` and `make test`.
BUILD      ?= build
BUILD_ASAN ?= build-asan
JOBS       ?= $(shell nproc)

.PHONY: setup build build-asan demo test test-asan bench fuzz clean

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

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) build-fuzz
