# Run by cpack once the package's files are staged, before it writes the archive
# (CPACK_PRE_BUILD_SCRIPTS). The install step gives every file a fixed mode, but it creates
# folders through the builder's umask: each staged folder gets 0755 here instead, so that the
# archive records the same mode for every builder.

file(GLOB_RECURSE staged LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(path IN LISTS staged)
    if(IS_DIRECTORY "${path}")
        file(CHMOD "${path}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                         GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    endif()
endforeach()
