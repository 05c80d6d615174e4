# Front door: `make run` starts the console, `make test` builds and runs every test.
BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo Ninja || echo "Unix Makefiles")
JOBS ?= 2
FUZZ_SECONDS ?= 600

.PHONY: deps configure build test test-sanitize deb fuzz fuzz-ci bench soak soak-field run field-demo screenshot format clean

deps:
	@bash scripts/install-deps.sh

# One build for the tests and the package, with Debian's own flags (hardening included): the
# package carries, stripped, the very programs the tests ran.
export DEB_BUILD_MAINT_OPTIONS = hardening=+all
CONFIGURE_BUILD = cmake -S . -B $(BUILD_DIR) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_FLAGS="$$(dpkg-buildflags --get CPPFLAGS) $$(dpkg-buildflags --get CXXFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$$(dpkg-buildflags --get LDFLAGS)" -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON

$(BUILD_DIR)/CMakeCache.txt:
	$(CONFIGURE_BUILD)

configure: deps $(BUILD_DIR)/CMakeCache.txt

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Line tables are all a sanitizer's report needs, and a fifth quicker to build than -g.
test-sanitize: deps
	cmake -S . -B $(SANITIZE_DIR) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=Debug -DLANE_SANITIZE=ON \
	  -DCMAKE_CXX_FLAGS_DEBUG=-g1
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	cd $(SANITIZE_DIR) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

# The Debian package from the test build: only the three programs, their man pages and the
# changelog are built (nothing when `make test` ran first); laneconsole_VERSION_amd64.deb lands
# here. Configuring again puts Debian's flags on a build made before they were used.
deb: deps
	$(CONFIGURE_BUILD)
	cmake --build $(BUILD_DIR) -j $(JOBS) --target laneconsole lanectl lanesim man_pages package_changelog
	rm -f $(BUILD_DIR)/laneconsole_*.deb laneconsole_*.deb
	cd $(BUILD_DIR) && cpack -G DEB
	cp $(BUILD_DIR)/laneconsole_*_amd64.deb .

run: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target laneconsole
	./$(BUILD_DIR)/app/laneconsole

# A whole field lane on one machine: lanesim on a pseudo-terminal and as the lane's ONVIF camera
# (RTSP video, plate events, the barrier on its relay), the console attached to both (127.0.0.1
# only).
field-demo: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target laneconsole lanesim
	bash scripts/field-demo.sh $(BUILD_DIR)

# Under Xvfb: the virtual lane with a plate (docs/screenshot.png), and a field lane,
# lanesim on a pseudo-terminal, with a card read (docs/field-lane.png).
screenshot: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target console_screenshot lanesim
	bash scripts/screenshot.sh $(BUILD_DIR)/app/console_screenshot docs/screenshot.png
	bash scripts/field-screenshot.sh $(BUILD_DIR) docs/field-lane.png

# Fuzzing (clang, own build in build-fuzz): `fuzz` runs every target FUZZ_SECONDS (default 600)
# and keeps new inputs in build-fuzz/corpus-new; `fuzz-ci` replays the committed corpus and fuzzes
# each target for 10 s. Details in fuzz/README.md.
fuzz: deps
	FUZZ_SECONDS=$(FUZZ_SECONDS) JOBS=$(JOBS) bash scripts/fuzz.sh long

fuzz-ci: deps
	JOBS=$(JOBS) bash scripts/fuzz.sh ci

# Benchmarks against the obvious alternatives; the last lines are `ratio NAME VALUE`.
bench: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target benchmarks
	bash scripts/bench.sh $(BUILD_DIR)/bench

# Twenty-four simulated hours of automatic card reading and plates (about 10 minutes).
soak: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target soak
	./$(BUILD_DIR)/bench/soak

# A field lane in a real window under Xvfb for SOAK_MINUTES of wall time (default 120): card reads
# every 100 ms at 115,200 baud, and lanesim as the lane's ONVIF camera (its RTSP video, plate
# events) with each plate also pushed, a car every 2 s.
SOAK_MINUTES ?= 120
soak-field: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target soak_field lanesim
	bash scripts/soak-field.sh $(BUILD_DIR) $(SOAK_MINUTES)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) build-fuzz laneconsole_*.deb
