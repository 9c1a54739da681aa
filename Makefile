# The two commands: `make run` starts the setup, `make test` builds and runs every test.
# Both install what the machine lacks (as root, on Debian) and fetch the dependencies.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all setup deps configure build test run bench clean

all: build

setup:
	@bash scripts/setup-machine.sh

deps: setup
	@bash scripts/fetch-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@bash scripts/test.sh $(BUILD)

run: build
	@bash scripts/run.sh $(BUILD)

# Benchmarks against 7zz, curl, md5sum, find and sqlite3: one table of ratios (not tests).
bench: build
	@JOBS=$(JOBS) bash scripts/bench.sh $(BUILD)

clean:
	rm -rf $(BUILD)
