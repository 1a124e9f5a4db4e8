# Builds the show's archive from content/show.manifest. Run by the build as
#   cmake -DTOOL=... -DCONTENT=... -DSTAGING=... -DARCHIVE=... -P build_show.cmake
# Each manifest line names a file of the archive and how it is made:
#   NAME art KIND WxH [TEXT]   a picture drawn from code, encoded as a wavelet image
#   NAME png SOURCE.png         a picture of the sources, encoded as a wavelet image
#   NAME tex SOURCE             a texture program assembled from its text form
#   NAME sqp SOURCE             a timeline compiled from its text form
#   NAME model SOURCE           a .3DS model built from its text form (docs/models.md)
#   NAME file SOURCE            a file copied as it is
# Every file must stay within 500,000 bytes, the load buffer's slot.
#
# The build is incremental: a file is made again only when it is missing,
# when its manifest line changed, or when its source or the tool is newer
# than it; files the manifest no longer names leave the staging folder. The
# archive is then packed from the staging folder (the packer writes a
# temporary file and renames it, so a running player never reads half an
# archive).
cmake_minimum_required(VERSION 3.20)

foreach(var TOOL CONTENT STAGING ARCHIVE)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "build_show.cmake needs -D${var}=...")
  endif()
endforeach()

set(ENV{SOURCE_DATE_EPOCH} 946684800)  # the same bytes from the same sources
file(MAKE_DIRECTORY ${STAGING}/files ${STAGING}/work)
file(STRINGS ${CONTENT}/show.manifest lines)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    list(JOIN ARGN " " shown)
    message(FATAL_ERROR "show build: ${shown}\n${out}${err}")
  endif()
endfunction()

# True when `out` must be made again from `source` (empty for none) by the
# manifest line `line`; the line is remembered beside the made files.
function(out_of_date out source line result)
  set(${result} TRUE PARENT_SCOPE)
  set(recipe ${STAGING}/work/${id}.line)
  if(NOT EXISTS ${out} OR NOT EXISTS ${recipe})
    return()
  endif()
  file(READ ${recipe} before)
  if(NOT before STREQUAL line)
    return()
  endif()
  if("${TOOL}" IS_NEWER_THAN "${out}")
    return()
  endif()
  if(NOT "${source}" STREQUAL "")
    if("${source}" IS_NEWER_THAN "${out}")
      return()
    endif()
  endif()
  set(${result} FALSE PARENT_SCOPE)
endfunction()

set(count 0)
set(made 0)
set(named "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "#.*$" "" line "${line}")
  string(STRIP "${line}" line)
  if(line STREQUAL "")
    continue()
  endif()
  separate_arguments(words UNIX_COMMAND "${line}")
  list(LENGTH words n)
  if(n LESS 3)
    message(FATAL_ERROR "show.manifest: incomplete line: ${line}")
  endif()
  list(GET words 0 name)
  list(GET words 1 maker)
  set(out ${STAGING}/files/${name})
  get_filename_component(dir ${out} DIRECTORY)
  file(MAKE_DIRECTORY ${dir})
  string(MAKE_C_IDENTIFIER "${name}" id)
  list(APPEND named ${out})
  math(EXPR count "${count} + 1")
  set(source "")
  if(NOT maker STREQUAL "art")
    list(GET words 2 source)
    set(source ${CONTENT}/${source})
  endif()
  out_of_date(${out} "${source}" "${line}" stale)
  if(NOT stale)
    continue()
  endif()
  math(EXPR made "${made} + 1")
  file(REMOVE ${out})  # a failed step leaves no old file behind that looks made
  if(maker STREQUAL "art")
    list(SUBLIST words 2 -1 args)
    list(GET args 0 kind)
    list(GET args 1 size)
    set(png ${STAGING}/work/${id}.png)
    if(n GREATER 4)
      list(SUBLIST args 2 -1 text)
      list(JOIN text " " text)
      run(${TOOL} art ${kind} ${size} ${png} --text "${text}")
    else()
      run(${TOOL} art ${kind} ${size} ${png})
    endif()
    run(${TOOL} hwl encode ${png} ${out})
  elseif(maker STREQUAL "png")
    list(GET words 2 source)
    run(${TOOL} hwl encode ${CONTENT}/${source} ${out})
  elseif(maker STREQUAL "tex")
    list(GET words 2 source)
    run(${TOOL} tex asm ${CONTENT}/${source} ${out})
  elseif(maker STREQUAL "sqp")
    list(GET words 2 source)
    run(${TOOL} sqp build ${CONTENT}/${source} ${out})
  elseif(maker STREQUAL "model")
    list(GET words 2 source)
    run(${TOOL} model build ${CONTENT}/${source} ${out})
  elseif(maker STREQUAL "file")
    list(GET words 2 source)
    configure_file(${CONTENT}/${source} ${out} COPYONLY)
  else()
    message(FATAL_ERROR "show.manifest: unknown maker \"${maker}\" in: ${line}")
  endif()
  file(SIZE ${out} bytes)
  if(bytes GREATER 500000)
    file(REMOVE ${out})
    message(FATAL_ERROR "show build: ${name} has ${bytes} bytes; a file of the archive may have at most 500,000 (the load buffer's slot)")
  endif()
  file(WRITE ${STAGING}/work/${id}.line "${line}")
endforeach()

# Files of earlier builds that the manifest no longer names.
file(GLOB_RECURSE staged ${STAGING}/files/*)
foreach(file IN LISTS staged)
  if(NOT file IN_LIST named)
    file(REMOVE ${file})
  endif()
endforeach()

run(${TOOL} archive pack ${ARCHIVE} ${STAGING}/files --cache ${STAGING}/deflated)
message(STATUS "show build: ${count} files in ${ARCHIVE}, ${made} of them made again")
