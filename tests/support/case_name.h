// Names each row of a parameterised test table after its case's name field.
#pragma once

#include <string>

struct CaseName {
  template <class Info>
  std::string operator()(const Info& info) const {
    return info.param.name;
  }
};
