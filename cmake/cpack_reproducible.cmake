# Read by cpack before it makes each package (CPACK_PROJECT_CONFIG_FILE): one commit gives the
# same package bytes from any clone, path and time.
#
# SOURCE_DATE_EPOCH is every time stamp the packages hold: CPack's DEB and ZIP generators give
# it to each archive entry and header, and strip writes it into the Windows program's PE
# header. It is the commit's time, or outside a git checkout the date of the changelog's latest
# entry; one set in the environment wins. The zip's DOS times are local times: written in UTC.
if("$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
  get_filename_component(source_dir "${CMAKE_CURRENT_LIST_DIR}" DIRECTORY)
  # Only this project's own checkout counts, not a repository the sources happen to lie in.
  execute_process(COMMAND git -C "${source_dir}" rev-parse --show-toplevel
    OUTPUT_VARIABLE top_level OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET
    RESULT_VARIABLE status)
  set(epoch "")
  if(status EQUAL 0)
    file(REAL_PATH "${source_dir}" source_dir)
    file(REAL_PATH "${top_level}" top_level)
  endif()
  if(status EQUAL 0 AND top_level STREQUAL source_dir)
    execute_process(COMMAND git -C "${source_dir}" log -1 --format=%ct
      OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    set(origin "the commit's time")
  else()
    # A changelog entry ends with " -- name <address>  Tue, 08 Dec 2026 12:00:00 +0000".
    file(STRINGS "${source_dir}/packaging/deb/changelog" trailers REGEX "^ -- .*>  ")
    list(GET trailers 0 latest)
    string(REGEX REPLACE "^ -- .*>  " "" date "${latest}")
    execute_process(COMMAND date -u -d "${date}" +%s
      OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    set(origin "the latest changelog entry's date, ${date}")
  endif()
  if(NOT epoch MATCHES "^[0-9]+$")
    message(FATAL_ERROR "no time stamp for the package: \"${epoch}\"")
  endif()
  set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
  message(STATUS "SOURCE_DATE_EPOCH=${epoch}: ${origin}")
endif()
set(ENV{TZ} UTC0)
