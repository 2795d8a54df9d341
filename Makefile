# The two commands that matter: `make run` and `make test`.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps build run test bench clean

all: build

# Every target installs all the packages the project uses, except `make run`,
# which needs only those for building and running (make passes the option
# down to the targets run depends on).
run: DEPS_OPTIONS = --run
deps:
	./scripts/install-deps.sh $(DEPS_OPTIONS)

build: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DABACORIA_WERROR=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	./$(BUILD_DIR)/abacoria

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)
	$(MAKE) test-fuzz
	$(MAKE) test-sanitize
	$(MAKE) test-windows
	$(MAKE) test-web
	$(MAKE) test-dist

# The suite again under AddressSanitizer and UndefinedBehaviorSanitizer, in
# its own tree. Its CTestCustom.cmake (from tests/Sanitizers.cmake) sets the
# sanitizer options and leaves out the tests that drive the whole program
# in a display server.
ASAN_DIR ?= build-asan
.PHONY: test-sanitize
test-sanitize: deps
	cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DABACORIA_WERROR=ON -DABACORIA_SANITIZE=ON -DABACORIA_BENCH=OFF
	cmake --build $(ASAN_DIR) -j $(JOBS)
	cd $(ASAN_DIR) && ctest --output-on-failure -j $(JOBS)

# libFuzzer on the text-to-number conversion against its reference reading,
# for FUZZ_SECONDS. Needs clang; its corpus grows in $(FUZZ_DIR)/corpus, and
# a disagreement leaves its input in $(FUZZ_DIR)/artifacts.
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
.PHONY: test-fuzz
test-fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DABACORIA_WERROR=ON -DABACORIA_BENCH=OFF
	cmake --build $(FUZZ_DIR) --target fuzz_text_to_number -j $(JOBS)
	mkdir -p $(FUZZ_DIR)/corpus $(FUZZ_DIR)/artifacts
	$(FUZZ_DIR)/tests/fuzz/fuzz_text_to_number -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 \
		-print_final_stats=1 -dict=tests/fuzz/text_to_number.dict -artifact_prefix=$(FUZZ_DIR)/artifacts/ \
		$(FUZZ_DIR)/corpus tests/fuzz/corpus

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

# Every tree the targets here build into, and the downloads.
clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(FUZZ_DIR) $(WIN32_DIR) $(WIN64_DIR) $(WEB_DIR) build-dist $(DIST_DIR)

# 32-bit Windows: the native Win32 backend cross-built with mingw-w64 into
# $(WIN32_DIR)/abacoria.exe, the product. The same source for x86-64 goes
# into $(WIN64_DIR) (make windows64). The tests and the benchmark run under
# Wine, in a prefix of the tree: the PE32 under 32-bit Wine where this
# machine runs 32-bit programs, the x86-64 build under 64-bit Wine where it
# cannot; scripts/windows-arch.sh asks the machine, and says which on the
# run's first line (WINDOWS_TEST_ARCH=i686|x86_64 forces one). On the
# x86-64 path the PE32 is still built and checked as a file.
# scripts/install-windows-deps.sh installs what either path takes.
WIN32_DIR ?= build-win32
WIN64_DIR ?= build-win64
.PHONY: windows windows64 test-windows bench-windows
windows:
	./scripts/install-windows-deps.sh
	cmake -S . -B $(WIN32_DIR) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw32.cmake -DCMAKE_BUILD_TYPE=Release -DABACORIA_WERROR=ON
	cmake --build $(WIN32_DIR) -j $(JOBS)

windows64:
	./scripts/install-windows-deps.sh x86_64
	cmake -S . -B $(WIN64_DIR) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake -DCMAKE_BUILD_TYPE=Release -DABACORIA_WERROR=ON
	cmake --build $(WIN64_DIR) -j $(JOBS)

test-windows:
	@arch=$$(./scripts/windows-arch.sh) && \
	if [ "$$arch" = i686 ]; then \
		$(MAKE) --no-print-directory windows && \
		cd $(WIN32_DIR) && ctest --output-on-failure -j $(JOBS); \
	else \
		$(MAKE) --no-print-directory windows windows64 && \
		(cd $(WIN32_DIR) && ctest --output-on-failure -R '^win32_pe_check$$') && \
		cd $(WIN64_DIR) && ctest --output-on-failure -j $(JOBS); \
	fi

bench-windows:
	@arch=$$(./scripts/windows-arch.sh) && \
	if [ "$$arch" = i686 ]; then \
		$(MAKE) --no-print-directory windows && ./bench/win32/run.sh $(WIN32_DIR); \
	else \
		$(MAKE) --no-print-directory windows64 && ./bench/win32/run.sh $(WIN64_DIR); \
	fi

# The browser: the same handlers on the web backend, compiled to WebAssembly
# with Debian's Emscripten into one self-contained page,
# $(WEB_DIR)/abacoria.html. What drives the page (its tests in three engines,
# the auditors, the benchmark, the tour picture) is npm's, pinned by
# package-lock.json; no browser is downloaded.
WEB_DIR ?= build-web
WEB_PORT ?= 8000
NPM_STAMP := node_modules/.installed
.PHONY: web serve-web test-web bench-web npm-deps
web:
	./scripts/install-deps.sh --web
	emcmake cmake -S . -B $(WEB_DIR) -DCMAKE_BUILD_TYPE=Release -DABACORIA_WERROR=ON
	cmake --build $(WEB_DIR) -j $(JOBS)

npm-deps: $(NPM_STAMP)
$(NPM_STAMP): package.json package-lock.json
	./scripts/install-deps.sh --web
	PUPPETEER_SKIP_DOWNLOAD=1 npm ci --ignore-scripts --no-audit --no-fund
	touch $@

serve-web: web
	node tools/web/serve.mjs $(WEB_DIR)/abacoria.html $(WEB_PORT)

test-web: web npm-deps
	cd $(WEB_DIR) && ctest --output-on-failure -j $(JOBS)

bench-web: web npm-deps
	node bench/web/bench.mjs $(WEB_DIR)/abacoria.html

# The downloads in $(DIST_DIR): the source tarball, the Debian package, the
# Windows zip, the browser page and SHA256SUMS, the same bytes from the same
# commit wherever and whenever they are built (scripts/dist.sh).
DIST_DIR ?= dist
.PHONY: dist test-dist
dist test-dist: DEPS_OPTIONS = --dist
dist: deps
	./scripts/dist.sh $(DIST_DIR)

# Builds the downloads twice, in two trees, and compares them byte for byte;
# then what each of them holds.
test-dist: deps
	./tests/dist/check-dist.sh
