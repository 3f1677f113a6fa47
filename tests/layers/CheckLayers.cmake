# cmake -DSOURCE_DIR=<tree> -DLINKS_<target>=a,b,... -P CheckLayers.cmake
#
# Fails with one line per break of the floors:
#   - routines links only Qt; dataset only routines, Qt and MariaDB; dataset_widgets only
#     dataset, routines and Qt;
#   - a source includes a project header only from its own floor or one below it;
#   - inside parking/ the same holds for its sub-floors: core (dataset and routines only),
#     shared, data, lookups, then the window folders, which never include one another,
#     and the snap-in entry (host) on top.

cmake_minimum_required(VERSION 3.25)

# Folders from the ground up; each may include its own and those listed with it.
set(parking_windows parking/documents parking/history parking/imports parking/paydesk parking/zoneframe)
set(floors routines dataset dataset/widgets framework console parking
    parking/core parking/shared parking/data parking/lookups ${parking_windows} parking/host tools)
set(reach_routines        routines)
set(reach_dataset         dataset routines)
set(reach_dataset/widgets dataset/widgets dataset routines)
set(reach_framework       framework dataset/widgets dataset routines)
set(reach_console         console framework dataset/widgets dataset routines)
set(reach_parking         parking framework dataset/widgets dataset routines)
set(reach_parking/core    parking/core dataset routines)
set(reach_parking/shared  parking/shared parking/core framework dataset/widgets dataset routines)
set(reach_parking/data    parking/data ${reach_parking/shared})
set(reach_parking/lookups parking/lookups ${reach_parking/data})
foreach(window IN LISTS parking_windows)
  set(reach_${window}     ${window} ${reach_parking/lookups})
endforeach()
set(reach_parking/host    parking/host ${parking_windows} ${reach_parking/lookups})
set(reach_tools           tools console parking/host ${parking_windows} ${reach_parking/lookups})

# Single headers a floor may include beside its reach, each a tie still to be cut.
# The pay desk records its day document in the import log.
set(crossing_parking/paydesk parking/imports/ImportHistory.h)

set(allowed_links_routines        "^Qt6::")
set(allowed_links_dataset         "^(Qt6::.*|routines|PkgConfig::MARIADB)$")
set(allowed_links_dataset_widgets "^(Qt6::.*|dataset|routines)$")

set(breaks)

foreach(target routines dataset dataset_widgets)
  string(REPLACE "," ";" links "${LINKS_${target}}")
  foreach(link IN LISTS links)
    if(NOT link MATCHES "${allowed_links_${target}}")
      list(APPEND breaks "target ${target} links ${link}")
    endif()
  endforeach()
endforeach()

# The floor of a path relative to SOURCE_DIR, or nothing outside the floors.
function(floor_of path out)
  set(result "")
  foreach(floor IN LISTS floors)
    if(path MATCHES "^${floor}/")
      set(result ${floor})   # later floors are deeper paths (dataset/widgets)
    endif()
  endforeach()
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

set(headers)
foreach(floor IN LISTS floors)
  file(GLOB_RECURSE found RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${floor}/*.h)
  list(APPEND headers ${found})
endforeach()
list(REMOVE_DUPLICATES headers)

foreach(floor IN LISTS floors)
  file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
       ${SOURCE_DIR}/${floor}/*.h ${SOURCE_DIR}/${floor}/*.cpp)
  foreach(source IN LISTS sources)
    floor_of(${source} own)
    if(NOT own STREQUAL floor)
      continue()   # a deeper floor's file, checked under that floor
    endif()
    get_filename_component(here ${source} DIRECTORY)
    file(STRINGS ${SOURCE_DIR}/${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS lines)
      if(NOT line MATCHES "#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"]")
        continue()
      endif()
      set(name ${CMAKE_MATCH_1})
      # Next to the including file first, as the compiler looks; else any project
      # header whose path ends in the name.
      if(EXISTS ${SOURCE_DIR}/${here}/${name})
        set(candidates ${here}/${name})
      else()
        string(REGEX REPLACE "([][+.*()^$?|\\\\])" "\\\\\\1" pattern "${name}")
        set(candidates ${headers})
        list(FILTER candidates INCLUDE REGEX "(^|/)${pattern}$")
      endif()
      if(NOT candidates)
        continue()   # a system, Qt or generated header
      endif()
      set(reached FALSE)
      foreach(candidate IN LISTS candidates)
        floor_of(${candidate} target_floor)
        if(target_floor IN_LIST reach_${floor} OR candidate IN_LIST crossing_${floor})
          set(reached TRUE)
        endif()
      endforeach()
      if(NOT reached)
        list(JOIN candidates ", " found)
        list(APPEND breaks "${source} (${floor}) includes ${name}: ${found}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(breaks)
  list(LENGTH breaks count)
  list(JOIN breaks "\n  " text)
  message(FATAL_ERROR "${count} break(s) of the floors:\n  ${text}")
endif()
list(JOIN floors ", " names)
message(STATUS "Floors hold: ${names}")
