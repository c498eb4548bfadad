// datagen: builds the installed database data/ from the curated literature data in data-src/.
#include <exception>
#include <iostream>
#include <string>

#include "generate.h"

int main(int argc, char** argv) {
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        std::cout << "usage: datagen [<data-src folder> <data folder>]\n"
                     "Builds the database (catalogue, constants, transition probabilities, level files)\n"
                     "from the curated sources; defaults: data-src and data in the current folder.\n";
        return 0;
    }
    if (argc != 1 && argc != 3) {
        std::cerr << "usage: datagen [<data-src folder> <data folder>]\n";
        return 2;
    }
    const std::string source = argc == 3 ? argv[1] : "data-src";
    const std::string output = argc == 3 ? argv[2] : "data";
    try {
        velmora::datagen::GenerateDatabase(source, output, &std::cout);
    } catch (const std::exception& e) {
        std::cerr << "datagen: " << e.what() << "\nThe database was not changed.\n";
        return 1;
    }
    return 0;
}
