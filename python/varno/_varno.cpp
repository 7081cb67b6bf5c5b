// The Python module's native part: the library's run in memory, and its
// tables as columns. It converts and nothing else: every rule (the settings,
// their checks and messages, the model, the scan, the figures, the table's
// fields) is the library's, as the program has them. The Python package
// (__init__.py) turns the columns into a data frame.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/ErrorReport.h"
#include "base/FileNames.h"
#include "base/RunLog.h"
#include "driver/AnalysisRun.h"
#include "driver/Arguments.h"
#include "driver/MotifList.h"
#include "motif/Background.h"
#include "motif/CountMatrix.h"
#include "motif/SiteCollection.h"
#include "report/SequenceLogo.h"
#include "scoring/Cutoff.h"
#include "scoring/ScoreDistribution.h"
#include "scoring/ScoreSense.h"
#include "scoring/ScoreTable.h"
#include "sequences/GenBankReader.h"
#include "sequences/SequenceSet.h"
#include "sequences/WholeGeneTexts.h"
#include "tracks/RegulonTable.h"
#include "tracks/TrackFiles.h"

namespace py = pybind11;

namespace {

// A motif's model as read, against the uniform background. Never changed
// once made: a scan or a figure works on a copy taken against its own
// background, so that one model may serve several threads at once.
struct Model {
    SiteCollection collection;
};

// The program's command line for the settings given as options
// ("--method=5", ...), with stand-ins for the two file names, which the
// module gives otherwise: its parser is the one place the settings, their
// checks and their messages are written.
RunArguments argumentsOf(const std::vector<std::string>& options)
{
    std::vector<const char*> argv = {"varno"};
    for (const std::string& option : options)
        argv.push_back(option.c_str());
    for (const char* name : {"--", "sequences", "motif"})
        argv.push_back(name);
    std::optional<RunArguments> arguments = parseArguments(static_cast<int>(argv.size()), argv.data());
    if (!arguments)
        throw py::value_error("not a setting of a scan");
    return std::move(*arguments);
}

// The settings of a motif's figures, as a run would settle them.
Options optionsOf(const std::vector<std::string>& settings)
{
    Options options;
    argumentsOf(settings).settings.applyTo(options);
    options.writeLogs = false;
    return options;
}

// A sequence of the background given (A, C, G, T), or the uniform one.
Sequence backgroundSequence(const std::optional<std::array<double, 4>>& background)
{
    Sequence sequence;
    if (background)
        setBackground(sequence, *background);
    return sequence;
}

Model modelFromSites(const std::vector<std::string>& sites, const std::string& name)
{
    return {SiteCollection::fromSites(sites, Sequence(), name)};
}

// Every motif of a site file, a matrix file or a folder of them.
std::vector<Model> modelsFromFile(const std::string& path)
{
    const MotifList list = listMotifs(path);
    std::vector<Model> models;
    for (const RunMotif& motif : list.motifs) {
        models.push_back({collectionOf(motif, Sequence())});
        models.back().collection.motifName = motif.name;
    }
    return models;
}

py::array_t<double> columnsOf(const Model& model, bool counts)
{
    const std::vector<MotifColumn>& columns = model.collection.columns;
    py::array_t<double> values({static_cast<py::ssize_t>(columns.size()), py::ssize_t{4}});
    auto cells = values.mutable_unchecked<2>();
    for (std::size_t k = 0; k < columns.size(); ++k) {
        const MotifColumn& column = columns[k];
        const std::array<double, 4> row =
            counts ? std::array<double, 4>{column.countA, column.countC, column.countG, column.countT}
                   : std::array<double, 4>{column.freqA, column.freqC, column.freqG, column.freqT};
        for (py::ssize_t base = 0; base < 4; ++base)
            cells(static_cast<py::ssize_t>(k), base) = row[static_cast<std::size_t>(base)];
    }
    return values;
}

std::string consensusOf(const Model& model)
{
    std::string letters;
    for (const MotifColumn& column : model.collection.columns)
        letters += column.consensus;
    return letters;
}

double cutoffOf(const Model& model, const std::vector<std::string>& settings,
                const std::optional<std::array<double, 4>>& background)
{
    Options options = optionsOf(settings);
    const Sequence reference = backgroundSequence(background);
    SiteCollection collection = model.collection.against(reference);
    RunLog silent;
    silent.console = false;
    deriveCutoff(collection, options, reference, std::string(), silent);
    return options.cutoff;
}

double pValueOf(const Model& model, double score, const std::vector<std::string>& settings,
                const std::optional<std::array<double, 4>>& background)
{
    const Options options = optionsOf(settings);
    const Sequence reference = backgroundSequence(background);
    const SiteCollection collection = model.collection.against(reference);
    const ScoreTable table(options.methodCode, reference, collection);
    const ScoreDistribution chance(table, backgroundProbabilities(reference), ScoreSense::ofMethod(options.methodCode));
    return chance.pValues({score}).front().p;
}

void writeModel(const Model& model, const std::string& path, const std::string& format)
{
    const MotifFormat chosen = matrixFormatOf(format.empty() ? path : "." + format);
    writeMatrixFile({matrixOf(model.collection, model.collection.motifName)}, chosen, path);
}

// ---- Sequences

// A gene as Python hands it: start, end (on the gene's own strand, as the
// GenBank reader keeps them), forward, locus tag, gene name, product.
using GeneFields = std::tuple<std::uint32_t, std::uint32_t, bool, std::string, std::string, std::string>;
// A record: id, name, letters, topology ("circular", "linear" or ""),
// whether it is annotated (its hits get gene context), its genes.
using RecordFields = std::tuple<std::string, std::string, py::str, std::string, bool, std::vector<GeneFields>>;

Sequence sequenceOf(const RecordFields& record)
{
    const auto& [id, name, letters, topology, annotated, genes] = record;
    Sequence sequence;
    sequence.sourceFormat = annotated ? 'G' : 'F';
    sequence.id = id;
    sequence.locusName = id;
    sequence.name = name.substr(0, maximumNameLength);
    if (sequence.name != name)
        sequence.definition = name;
    py::ssize_t size = 0;
    const char* text = PyUnicode_AsUTF8AndSize(letters.ptr(), &size);
    if (text == nullptr)
        throw py::error_already_set();
    appendUpperCase(sequence.bases, std::string_view(text, static_cast<std::size_t>(size)));
    sequence.statedTopology = topology == "circular" ? Topology::circular
                            : topology == "linear"   ? Topology::linear
                                                     : Topology::unstated;
    for (const auto& [start, end, forward, locusTag, geneName, product] : genes) {
        Gene& gene = sequence.genes.emplace_back();
        gene.start = start;
        gene.end = end;
        gene.forward = forward;
        gene.locusTag = locusTag;
        gene.geneName = geneName;
        gene.product = product;
        keepWholeGeneTexts(gene);
    }
    cleanGeneTexts(sequence);
    return sequence;
}

// ---- Tables

// A column of texts, NA (None) for an empty one, as the table writes NA.
struct TextColumn {
    py::list values;
    void add(const std::string& text)
    {
        if (text.empty())
            values.append(py::none());
        else
            values.append(py::str(text));
    }
};

template <typename T>
py::array_t<T> arrayOf(const std::vector<T>& values)
{
    return py::array_t<T>(static_cast<py::ssize_t>(values.size()), values.data());
}

py::array_t<bool> arrayOf(const std::vector<bool>& values)
{
    py::array_t<bool> array(static_cast<py::ssize_t>(values.size()));
    auto cells = array.mutable_unchecked<1>();
    for (std::size_t i = 0; i < values.size(); ++i)
        cells(static_cast<py::ssize_t>(i)) = values[i];
    return array;
}

// The hit table's columns, in the order of --tsv, each a list or an array;
// `mask_*` marks the missing values of the integer and boolean columns.
py::dict hitColumns(const SequenceSet& set, const Options& options)
{
    const bool integrated = options.useIntegration;
    std::size_t count = 0;
    for (const Sequence& sequence : set.sequences)
        count += sequence.hits.size();
    py::list seqIds, seqNames;
    TextColumn windows, contexts, geneStrands, locusTags, genes, products;
    std::vector<std::int64_t> starts, ends, distances, geneStarts, geneEnds;
    std::vector<double> scores, ownScores, pValues, eValues, qValues;
    std::vector<bool> bounds, noBound, noGene;
    py::list strands;
    for (auto* column : {&starts, &ends, &distances, &geneStarts, &geneEnds})
        column->reserve(count);
    for (auto* column : {&scores, &ownScores, &pValues, &eValues, &qValues})
        column->reserve(count);
    const py::str plus("+"), minus("-");
    for (const Sequence& sequence : set.sequences) {
        const py::object id = sequence.id.empty() ? py::object(py::none()) : py::object(py::str(sequence.id));
        const py::object name =
            sequence.fullName().empty() ? py::object(py::none()) : py::object(py::str(sequence.fullName()));
        for (std::size_t i = 0; i < sequence.hits.size(); ++i) {
            const Hit& hit = sequence.hits[i];
            const WindowSignificance& figures = sequence.significanceOf(i);
            const GenePlace genePlace = genePlaceOf(sequence, hit);
            const HitTableRow row = hitTableRow(sequence, hit, integrated, integrated);
            seqIds.append(id);
            seqNames.append(name);
            starts.push_back(static_cast<std::int64_t>(row.start));
            ends.push_back(static_cast<std::int64_t>(row.end));
            strands.append(hit.forward ? plus : minus);
            scores.push_back(row.score);
            ownScores.push_back(row.ownScore);
            pValues.push_back(figures.pValue);
            eValues.push_back(figures.eValue);
            qValues.push_back(figures.qValue);
            bounds.push_back(figures.pValueIsBound);
            noBound.push_back(std::isnan(figures.pValue));
            windows.add(row.window);
            noGene.push_back(!row.hasGene);
            contexts.add(row.hasGene ? contextName(hit.context) : "");
            distances.push_back(row.hasGene ? hit.distance : 0);
            geneStrands.add(!row.hasGene ? "" : genePlace.forward ? "+" : "-");
            geneStarts.push_back(row.hasGene ? genePlace.start : 0);
            geneEnds.push_back(row.hasGene ? genePlace.end : 0);
            locusTags.add(row.hasGene ? row.gene.locusTag : std::string());
            genes.add(row.hasGene ? row.gene.geneName : std::string());
            products.add(row.hasGene ? row.gene.product : std::string());
        }
    }
    py::dict columns;
    const std::string own = integrated ? "own_" : "";
    columns["seq_id"] = seqIds;
    columns["seq_name"] = seqNames;
    columns["start"] = arrayOf(starts);
    columns["end"] = arrayOf(ends);
    columns["strand"] = strands;
    columns["score"] = arrayOf(scores);
    if (integrated)
        columns["own_score"] = arrayOf(ownScores);
    columns[py::str(own + "p_value")] = arrayOf(pValues);
    columns[py::str(own + "e_value")] = arrayOf(eValues);
    columns[py::str(own + "q_value")] = arrayOf(qValues);
    columns["p_is_bound"] = arrayOf(bounds);
    columns["window"] = windows.values;
    columns["context"] = contexts.values;
    columns["distance"] = arrayOf(distances);
    columns["gene_strand"] = geneStrands.values;
    columns["gene_start"] = arrayOf(geneStarts);
    columns["gene_end"] = arrayOf(geneEnds);
    columns["locus_tag"] = locusTags.values;
    columns["gene"] = genes.values;
    columns["product"] = products.values;
    columns["mask_p_is_bound"] = arrayOf(noBound);
    columns["mask_gene"] = arrayOf(noGene);
    return columns;
}

// The regulon table's columns, in the order of --regulon.
py::dict regulonColumns(const SequenceSet& set, const MemoryRun& run)
{
    TextColumn seqIds, locusTags, genes, products, unitTags, unitGenes;
    std::vector<std::int64_t> operatorHits, bestStarts;
    std::vector<double> scores, pValues, eValues, qValues, distances, unitP, unitE;
    py::list strands;
    for (const RegulonRow& row : regulonRows(set, run.options, run.regulon)) {
        const Hit& best = *row.best;
        const Gene& gene = row.sequence->genes[row.firstGene];
        const UnitGeneTexts unit = unitGeneTexts(row.sequence->genes, row.unit);
        seqIds.add(row.sequence->id);
        locusTags.add(gene.fullLocusTag());
        genes.add(gene.fullGeneName());
        products.add(gene.fullProduct());
        unitTags.add(unit.locusTags);
        unitGenes.add(unit.geneNames);
        operatorHits.push_back(static_cast<std::int64_t>(row.operatorHits));
        bestStarts.push_back(static_cast<std::int64_t>(row.bestStart));
        strands.append(best.forward ? "+" : "-");
        scores.push_back(best.score);
        pValues.push_back(row.bestSignificance->pValue);
        eValues.push_back(row.bestSignificance->eValue);
        qValues.push_back(row.bestSignificance->qValue);
        distances.push_back(static_cast<double>(row.halfLettersToGene) / 2.0);
        unitP.push_back(row.unitP);
        unitE.push_back(row.unitE);
    }
    py::dict columns;
    columns["seq_id"] = seqIds.values;
    columns["locus_tag"] = locusTags.values;
    columns["gene"] = genes.values;
    columns["product"] = products.values;
    columns["unit_locus_tags"] = unitTags.values;
    columns["unit_genes"] = unitGenes.values;
    columns["operator_hits"] = arrayOf(operatorHits);
    columns["best_start"] = arrayOf(bestStarts);
    columns["best_strand"] = strands;
    columns["best_score"] = arrayOf(scores);
    columns["best_p_value"] = arrayOf(pValues);
    columns["best_e_value"] = arrayOf(eValues);
    columns["best_q_value"] = arrayOf(qValues);
    columns["best_distance"] = arrayOf(distances);
    columns["unit_p_value"] = arrayOf(unitP);
    columns["unit_e_value"] = arrayOf(unitE);
    return columns;
}

// A scan of a sequence file (`path`) or of records, with the settings given
// as the program's options. The logs, when asked for, go into `logsDir`
// under the stem the program would give them there.
py::dict scan(const std::string& path, const std::vector<RecordFields>& records, const Model& model,
              const std::vector<std::string>& settings, bool regulon, bool secondThread, const std::string& logsDir)
{
    RunArguments arguments = argumentsOf(settings);
    arguments.writeRegulon = regulon;
    arguments.sequenceFile = path.empty() ? std::string("the records given") : path;
    SequenceSet set;
    for (const RecordFields& record : records)
        set.sequences.push_back(sequenceOf(record));
    std::optional<MemoryRun> run;
    {
        py::gil_scoped_release released;
        if (!path.empty())
            set = SequenceSet(path);
        RunLog log;
        log.console = false;
        if (!logsDir.empty()) {
            set.stem = path.empty()
                         ? logsDir + "/" + fileSafeName(set.sequences.empty() ? "sequences" : set.sequences.front().id)
                         : outputStem(path, logsDir);
            log.file.open(set.stem + ".log", std::ios::out | std::ios::trunc);
        }
        run.emplace(runInMemory(set, model.collection, arguments, secondThread, log));
    }
    return regulon ? regulonColumns(set, *run) : hitColumns(set, run->options);
}

} // namespace

PYBIND11_MODULE(_varno, module)
{
    module.doc() = "The native part of varno: see the package varno.";
    // Errors reach Python as exceptions alone: no VarnoLog.txt, nothing printed.
    setErrorReporting(ErrorReporting::exceptionOnly);
    py::register_exception_translator([](std::exception_ptr failure) {
        try {
            if (failure)
                std::rethrow_exception(failure);
        } catch (const FatalError& error) {
            std::string message;
            for (const std::string& line : error.lines())
                message += (message.empty() ? "" : "\n") + line;
            PyErr_SetString(error.cause() == FatalError::Cause::file ? PyExc_OSError : PyExc_ValueError,
                            message.c_str());
        }
    });

    py::class_<Model>(module, "Model", "A motif's model; see varno.Motif.")
        .def_property_readonly("name", [](const Model& model) { return model.collection.motifName; })
        .def_property_readonly("length", [](const Model& model) { return model.collection.siteLength; })
        .def_property_readonly("site_total", [](const Model& model) { return model.collection.siteTotal(); })
        .def_property_readonly("sites",
                               [](const Model& model) {
                                   std::vector<std::string> sites;
                                   for (const Site& site : model.collection.sites)
                                       sites.push_back(site.window);
                                   return sites;
                               })
        .def_property_readonly("counts", [](const Model& model) { return columnsOf(model, true); })
        .def_property_readonly("frequencies", [](const Model& model) { return columnsOf(model, false); })
        .def_property_readonly("consensus", &consensusOf)
        .def("rsequence",
             [](const Model& model, const std::optional<std::array<double, 4>>& background) {
                 return model.collection.against(backgroundSequence(background)).rsequence;
             })
        .def("relative_entropy",
             [](const Model& model, const std::optional<std::array<double, 4>>& background) {
                 return model.collection.against(backgroundSequence(background)).relativeEntropy;
             })
        .def("cutoff", &cutoffOf)
        .def("pvalue", &pValueOf)
        .def("logo_svg", [](const Model& model) { return sequenceLogoSvg(model.collection); })
        .def("write", &writeModel);

    module.def("model_from_sites", &modelFromSites);
    module.def("models_from_file", &modelsFromFile);
    module.def("scan", &scan);
}
