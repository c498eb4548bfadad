#include "quenching.h"

#include <cstdio>
#include <map>
#include <sstream>
#include <vector>

#include "common/errors.h"
#include "common/number_format.h"

namespace velmora::datagen {

namespace {

/// A model of the table: its name in the program's file and its parameters, in order.
struct ModelForm {
    const char* table;
    const char* file;
    std::vector<const char*> parameters;
};

const std::vector<ModelForm>& Forms() {
    static const std::vector<ModelForm> forms = {
        {"paul1995_2exp", "2exp", {"c0", "c1", "c2", "c3", "c4", "T_ref"}},
        {"paul1995_harpoon", "harpoon", {"c0", "c1", "c2", "c3", "T_ref"}},
        {"paul1995_power", "power", {"c0", "c1", "c2", "T_ref"}},
        {"constant", "constant", {"sigma"}},
        {"ffcm1_arrhenius", "arrhenius", {"A", "n", "Ea"}},
    };
    return forms;
}

std::string Number(double v) { return Significant(v, 10); }

/// The state label of a term symbol: the letters before its multiplicity ("A2Sigma+" -> "A").
std::string StateLabel(const std::string& term) {
    std::string label;
    for (char c : term) {
        if (c >= '0' && c <= '9') break;
        label += c;
    }
    return label;
}

}  // namespace

std::string QuenchingFile(const CsvTable& t, const CsvTable& validity) {
    const int cMolecule = t.Column("molecule"), cState = t.Column("state"), cPartner = t.Column("partner");
    const int cModel = t.Column("model"), cParam = t.Column("param"), cValue = t.Column("value");
    const int vModel = validity.Column("model"), vMin = validity.Column("T_min_K"), vMax = validity.Column("T_max_K");

    std::map<std::string, std::pair<double, double>> ranges;
    for (const CsvRow& row : validity.Rows())
        ranges[validity.Text(row, vModel)] = {validity.NumberOr(row, vMin, 0.0), validity.NumberOr(row, vMax, 0.0)};

    // Records in the order of their first row; parameters by name.
    struct Record {
        std::string molecule, state, partner;
        const ModelForm* form = nullptr;
        std::map<std::string, double> values;
        const CsvRow* first = nullptr;
    };
    std::vector<Record> records;
    std::map<std::string, std::size_t> index;
    for (const CsvRow& row : t.Rows()) {
        const std::string model = t.Text(row, cModel);
        if (model == "measured") continue;  // validation points, not a model
        const ModelForm* form = nullptr;
        for (const ModelForm& f : Forms())
            if (model == f.table) form = &f;
        if (!form) t.Fail(row, cModel, "\"" + model + "\" is not a known quenching model");
        if (!ranges.count(model)) t.Fail(row, cModel, "model \"" + model + "\" has no row in the validity table");
        const std::string key =
            t.Text(row, cMolecule) + "|" + t.Text(row, cState) + "|" + t.Text(row, cPartner) + "|" + model;
        auto [it, added] = index.try_emplace(key, records.size());
        if (added)
            records.push_back(
                {t.Text(row, cMolecule), StateLabel(t.Text(row, cState)), t.Text(row, cPartner), form, {}, &row});
        Record& r = records[it->second];
        const std::string param = t.Text(row, cParam);
        bool known = false;
        for (const char* p : form->parameters) known = known || param == p;
        if (!known) t.Fail(row, cParam, "\"" + param + "\" is not a parameter of the model " + model);
        if (!r.values.emplace(param, t.Number(row, cValue)).second)
            t.Fail(row, cParam, "\"" + param + "\" is given twice for " + r.molecule + " + " + r.partner);
    }

    std::ostringstream out;
    out << "Quenching models of LIF upper states (written by datagen from data-src/QUENCHING; do not edit)\r\n";
    out << "molecule, state, partner, model, lowest K, highest K (0: not stated), parameters: 2exp c0 c1 c2 c3 c4 "
           "T_ref; harpoon c0 c1 c2 c3 T_ref; power c0 c1 c2 T_ref (cross sections in Å2, T_ref in K); constant "
           "sigma (Å2); arrhenius A (cm3 mol-1 s-1) n Ea (cal mol-1)\r\n";
    for (const Record& r : records) {
        const auto [lo, hi] = ranges[r.form->table];
        out << '"' << r.molecule << "\", \"" << r.state << "\", \"" << r.partner << "\", \"" << r.form->file << "\", "
            << Number(lo) << ", " << Number(hi);
        for (const char* p : r.form->parameters) {
            const auto v = r.values.find(p);
            if (v == r.values.end())
                t.Fail(*r.first, cParam, r.molecule + " + " + r.partner + ": parameter \"" + p + "\" is missing");
            out << ", " << Number(v->second);
        }
        out << "\r\n";
    }
    return out.str();
}

std::string QuenchingFile(const std::filesystem::path& source, const std::string& sourceName) {
    const std::string folder = sourceName + "/" + kQuenchingFolder + "/";
    return QuenchingFile(CsvTable::Read(source / kQuenchingFolder / "quenching.csv", folder + "quenching.csv"),
                         CsvTable::Read(source / kQuenchingFolder / "validity.csv", folder + "validity.csv"));
}

}  // namespace velmora::datagen
