# Read by cpack before it writes the package (CPACK_PROJECT_CONFIG_FILE). It fixes what
# would otherwise make two packages of the same commit differ.

# The time of every entry. cpack gives every entry the time SOURCE_DATE_EPOCH names; when
# the environment does not set it, it is the time of the commit the package is built from.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    execute_process(COMMAND git -C "${CPACK_VERANDEL_SOURCE_DIR}" log -1 --format=%ct
                    RESULT_VARIABLE status OUTPUT_VARIABLE epoch ERROR_VARIABLE errors
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT status EQUAL 0 OR NOT epoch MATCHES "^[0-9]+$")
        message(FATAL_ERROR
                "The package's times come from the commit, but git cannot tell the time of "
                "the commit in ${CPACK_VERANDEL_SOURCE_DIR} (${status}: ${errors}). Build "
                "from a clone, or set SOURCE_DATE_EPOCH.")
    endif()
    set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
endif()

# A zip entry also carries its time as local date and time: the same for every builder.
set(ENV{TZ} UTC)
