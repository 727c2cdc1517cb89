# The two commands of the project: `make run` and `make test`. Both install what is missing,
# then configure and build.
.PHONY: all deps build run test asan bench fuzz format clean screenshots

JOBS ?= $(shell nproc)

all: build

deps:
	@./tools/setup/install-deps.sh

build: deps
	@cmake --preset default >/dev/null
	@cmake --build --preset default -j $(JOBS)

run: build
	@./tools/run.sh

test: build
	@ctest --preset default

asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)
	@ctest --preset asan

# The README's pictures: the whole demo game played headless by its script, into docs/screenshots.
screenshots: build
	@./build/default/tests/hoe-demo-screenshots docs/screenshots

bench: build
	@./tools/bench.sh

fuzz: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS)

format:
	@find common src tools tests bench fuzz -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	@rm -rf build
