// Lists the parameters a module registers, learned the way the host learns
// them: global setup, then parameter setup, reading the add_param calls.
//
//   morvel-params [--module PATH]
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "minihost/ParamText.h"
#include "minihost/Session.h"

#ifndef MORVEL_DEFAULT_MODULE
#define MORVEL_DEFAULT_MODULE "Morvel.aex"
#endif

namespace {

int Usage(std::ostream& os, int code) {
    os << "usage: morvel-params [--module PATH]\n"
          "Loads the effect module (default " MORVEL_DEFAULT_MODULE
          ")\n"
          "and prints the parameters it registers.\n";
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    std::string module = MORVEL_DEFAULT_MODULE;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--module" && i + 1 < argc)
            module = argv[++i];
        else if (arg == "--help" || arg == "-h")
            return Usage(std::cout, 0);
        else {
            std::cerr << "morvel-params: unexpected argument '" << arg << "'\n";
            return Usage(std::cerr, 2);
        }
    }
    try {
        minihost::Session session(module);
        if (const auto g = session.GlobalSetup(); g.err != PF_Err_NONE) {
            std::cerr << "morvel-params: global setup of '" << module << "' returned error " << g.err << "\n";
            return 1;
        }
        if (const auto p = session.ParamsSetup(); p.err != PF_Err_NONE) {
            std::cerr << "morvel-params: parameter setup of '" << module << "' returned error " << p.err << "\n";
            return 1;
        }
        minihost::ParamModel& params = session.params();
        struct Row {
            std::string index, name, kind, dephault, range;
        };
        std::vector<Row> rows{{"index", "UI name", "kind", "default", "valid range"}};
        for (int i = 1; i < params.Count(); ++i) {
            const PF_ParamDef d = params.Current(i);
            std::string name = params.QualifiedName(i);
            if (d.param_type == PF_Param_GROUP_END) name = "(end of " + params.Group(i) + ")";
            rows.push_back({std::to_string(i), name, minihost::ParamKindName(d.param_type),
                            minihost::ParamDefaultText(d), minihost::ParamValidRangeText(d)});
        }
        std::size_t w[4] = {};
        for (const Row& r : rows) {
            w[0] = std::max(w[0], r.index.size());
            w[1] = std::max(w[1], r.name.size());
            w[2] = std::max(w[2], r.kind.size());
            w[3] = std::max(w[3], r.dephault.size());
        }
        for (const Row& r : rows)
            std::printf("%-*s  %-*s  %-*s  %-*s  %s\n", int(w[0]), r.index.c_str(), int(w[1]), r.name.c_str(),
                        int(w[2]), r.kind.c_str(), int(w[3]), r.dephault.c_str(), r.range.c_str());
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "morvel-params: " << e.what() << "\n";
        return 1;
    }
}
