# The two set-up commands (see README): `make run` and `make test`. Both install what is
# missing, then build the release preset. `make package` writes the Debian package
# build/pixmill_<version>_<arch>.deb.
.PHONY: run test deps build install package clean

run: build
	./build/bin/pixmill

test: build
	ctest --preset release

deps:
	sh scripts/install-deps.sh

build: deps
	cmake --preset release
	cmake --build --preset release

install: build
	cmake --install build

package: build
	cd build && cpack -G DEB

clean:
	rm -rf build build-debug build-asan build-tsan build-fuzz
