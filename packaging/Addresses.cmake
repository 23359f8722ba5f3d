# SPDX-License-Identifier: MIT
# The score e-mail, the maker's web address and where the repository's files are served:
# whoever runs the score page sets them. They end up inside C++ string literals and the
# metainfo, so only plain address characters are let through; anything else stops the
# configure with a message.

set(GYROLAP_SCORE_EMAIL "scores@gyrolap.example" CACHE STRING
    "The address players send their submission texts to (shown by Submit Score)")
set(GYROLAP_WEB_ADDRESS "https://gyrolap.example/" CACHE STRING
    "The maker's web site: the logo opens it and shows it")
set(GYROLAP_FILES_ADDRESS "https://gyrolap.example/raw/main/" CACHE STRING
    "Where the repository's files are served as they are (ending in /): software centres fetch the metainfo's screenshot, docs/screenshot.png, below it")

if(NOT GYROLAP_SCORE_EMAIL MATCHES "^[A-Za-z0-9._%+-]+@[A-Za-z0-9.-]+$")
  message(FATAL_ERROR "GYROLAP_SCORE_EMAIL is not a plain e-mail address (letters, digits and "
                      "._%+- before one @, letters, digits, . and - after it): "
                      "[${GYROLAP_SCORE_EMAIL}]")
endif()
if(NOT GYROLAP_WEB_ADDRESS MATCHES "^https?://[A-Za-z0-9.-]+(:[0-9]+)?(/[A-Za-z0-9._~/?=&%+-]*)?$")
  message(FATAL_ERROR "GYROLAP_WEB_ADDRESS is not a plain http:// or https:// address (host, "
                      "optional port, then letters, digits and ._~/?=&%+- only): "
                      "[${GYROLAP_WEB_ADDRESS}]")
endif()
if(NOT GYROLAP_FILES_ADDRESS MATCHES "^https?://[A-Za-z0-9.-]+(:[0-9]+)?(/[A-Za-z0-9._~/?=&%+-]*)?/$")
  message(FATAL_ERROR "GYROLAP_FILES_ADDRESS is not a plain http:// or https:// address ending "
                      "in / (host, optional port, then letters, digits and ._~/?=&%+- only): "
                      "[${GYROLAP_FILES_ADDRESS}]")
endif()

add_library(gyrolap_addresses INTERFACE)
target_compile_definitions(gyrolap_addresses INTERFACE
  GYROLAP_SCORE_EMAIL="${GYROLAP_SCORE_EMAIL}"
  GYROLAP_WEB_ADDRESS="${GYROLAP_WEB_ADDRESS}")
