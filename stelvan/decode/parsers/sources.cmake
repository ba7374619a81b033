# Parser sources, relative to stelvan/decode/ (maintained by the parsers' author).
set(STELVAN_PARSER_SOURCES)
