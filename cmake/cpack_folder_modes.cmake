# Run by cpack on the staged files before it archives them (CPACK_PRE_BUILD_SCRIPTS): every
# folder gets rwxr-xr-x, as Debian wants, whatever the umask of the build (the files have their
# modes from the install rules).
file(GLOB_RECURSE paths LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(path IN LISTS paths)
  if(IS_DIRECTORY "${path}")
    file(CHMOD "${path}" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
      GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  endif()
endforeach()
