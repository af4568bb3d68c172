# Thin wrappers over scripts/; see README.md.
.PHONY: deps build test demo demo-trovel clean installer release

deps:
	scripts/deps.sh

build: deps
	scripts/build.sh

installer: deps
	BUILD_TARGETS=installer scripts/build.sh

# build/release/: the installer, the symbols files and SHA256SUMS (see README.md).
release: deps
	BUILD_TARGETS=release scripts/build.sh

test:
	scripts/test.sh

demo:
	scripts/demo.sh

demo-trovel:
	scripts/demo-trovel.sh

clean:
	-scripts/wine-session.sh stop
	rm -rf build
