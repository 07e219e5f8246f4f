# The two everyday commands. Both install what is missing first (Debian packages, as root or sudo).
#   make demo   builds the program, creates the demo company share and starts Tervalo on it
#   make test   builds everything under AddressSanitizer + UBSan and runs every test through ctest,
#               after building the Debian package and checking it
#   make package  builds the Debian package build/package/tervalo_VERSION_ARCH.deb

JOBS ?= $(shell nproc)
DEMO_DIR ?= $(CURDIR)/demo

.PHONY: demo test deps release package package-check readme-picture bench soak clean

deps:
	@bash scripts/install-deps.sh

release: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)

demo: release
	bash scripts/run-demo.sh "$(CURDIR)/build/release" "$(DEMO_DIR)"

# The package is built from the release configuration, without tests and benchmarks.
package: deps
	cmake --preset package
	cmake --build --preset package -j $(JOBS)
	cpack --preset package

package-check: package
	bash scripts/check-package.sh build/package/tervalo_*.deb

test: deps
	$(MAKE) package-check
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

# The README's picture: the demo company's board through --screenshot, without a display.
readme-picture: release
	rm -rf build/readme-demo
	build/release/tools/tervalo-share demo build/readme-demo >/dev/null
	mkdir -p -m 700 build/readme-demo/runtime
	env -u DISPLAY -u WAYLAND_DISPLAY TERVALO_UNC_ROOT=$(CURDIR)/build/readme-demo/unc TMPDIR=$(CURDIR)/build/readme-demo/tmp \
	  XDG_RUNTIME_DIR=$(CURDIR)/build/readme-demo/runtime build/release/app/tervalo --screenshot docs/board.png

bench: release
	bash scripts/run-benchmarks.sh "$(CURDIR)/build/release"

# Long randomised runs of the real window under AddressSanitizer: see scripts/soak.sh.
SOAK_SECONDS ?= 600
SOAK_KILLS ?= 300
soak: deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	bash scripts/soak.sh build/asan $(SOAK_SECONDS) $(SOAK_KILLS)

clean:
	rm -rf build demo
