#pragma once
// The vocabulary of the demo clinic: Brazilian names, places, professions,
// insurance plans and procedures.
#include <string>
#include <vector>

namespace scandrel::demo {

struct Procedure {
    std::u16string name;
    std::u16string code;      // AMB table code
    std::u16string material;
};

struct Place {
    std::u16string city;
    std::u16string state;
};

const std::vector<std::u16string>& maleNames();
const std::vector<std::u16string>& femaleNames();
const std::vector<std::u16string>& surnames();
const std::vector<Place>& places();
const std::vector<std::u16string>& neighbourhoods();
const std::vector<std::u16string>& streets();
const std::vector<std::u16string>& professions();
const std::vector<std::u16string>& skinColours();
const std::vector<std::u16string>& schooling();
const std::vector<std::u16string>& insurancePlans();
const std::vector<Procedure>& procedures();
const std::vector<std::u16string>& diagnoses();
const std::vector<std::u16string>& keywords();
const std::vector<std::u16string>& documentTitles();
const std::vector<std::u16string>& alerts();

}  // namespace scandrel::demo
