# Two commands for a fresh clone. Both install the Debian packages that are missing first (as a
# non-root user they print the one command to run instead); the builds go to build/<preset>.
.PHONY: play test docs-media

# Builds the optimised game and starts it in this folder, which holds Data/ and Music/.
play:
	scripts/play.sh

# Builds and runs every suite: debug (with the end-to-end and package tests), AddressSanitizer
# and UndefinedBehaviorSanitizer, and the threaded suites under ThreadSanitizer.
test:
	scripts/test.sh

# Records a run with tidefray-record and remakes the README's pictures under docs/media.
docs-media:
	scripts/make-docs-media.sh
