# Writes index.html with page.css and page.js inlined: the page is three
# files (and its icon), and the script is never run through the minifier.
file(READ ${SOURCE_DIR}/page.css PAGE_CSS)
file(READ ${SOURCE_DIR}/page.js PAGE_JS)
configure_file(${SOURCE_DIR}/index.html ${OUTPUT} @ONLY)
