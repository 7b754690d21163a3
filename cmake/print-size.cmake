# Prints the size of a stripped program: a compact installer stub is part of the product.
file(SIZE "${FILE}" size)
math(EXPR kib "(${size} + 1023) / 1024")
get_filename_component(name "${FILE}" NAME)
message(STATUS "${name} (${LABEL}): ${size} bytes stripped (${kib} KiB)")
