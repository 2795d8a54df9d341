# The two commands that matter: `make run` and `make test`.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps build run test bench clean

all: build

deps:
	./scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DABACORIA_WERROR=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	./$(BUILD_DIR)/abacoria

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# A Debian package of the installed program (build/abacoria_1.00_<arch>.deb).
.PHONY: package
package: build
	cmake --build $(BUILD_DIR) --target package

bench: build
	./bench/run.sh $(BUILD_DIR)

# Screenshots of a typical session, in a private X server, into docs/.
.PHONY: tour
tour: build
	./tools/tour.sh $(BUILD_DIR)/abacoria docs

clean:
	rm -rf $(BUILD_DIR)
