#include "command_table.hpp"

#include <array>

#include "header_match.hpp"

namespace sim {
namespace {

using F = Function;
using G = Group;

constexpr std::array commands{
    // IEEE 488.2 common commands
    Command{"*IDN?", &idn_q},
    Command{"*RST", &rst},
    Command{"*CLS", &cls},
    Command{"*ESE", &ese},
    Command{"*ESE?", &ese_q},
    Command{"*ESR?", &esr_q},
    Command{"*SRE", &sre},
    Command{"*SRE?", &sre_q},
    Command{"*STB?", &stb_q},
    Command{"*OPC", &opc},
    Command{"*OPC?", &opc_q},
    Command{"*TRG", &trg},
    Command{"*TST?", &tst_q},
    Command{"*WAI", &wai},
    Command{"*LRN?", &lrn_q},

    // Function and configuration
    Command{"CONFigure:FREQuency", &configure_as<F::freq>},
    Command{"CONFigure:PERiod", &configure_as<F::period>},
    Command{"CONFigure:FRESistance", &configure_as<F::fres>},
    Command{"CONFigure:RESistance", &configure_as<F::res>},
    Command{"CONFigure:VOLTage:AC", &configure_as<F::volt_ac>},
    Command{"CONFigure:VOLTage[:DC]", &configure_as<F::volt_dc>},
    Command{"CONFigure:CURRent:AC", &configure_as<F::curr_ac>},
    Command{"CONFigure:CURRent[:DC]", &configure_as<F::curr_dc>},
    Command{"CONFigure:VOLTage[:DC]:RATio", &configure_as<F::volt_ratio>},
    Command{"CONFigure?", &configure_q},
    Command{"MEASure:FREQuency?", &measure_as<F::freq>},
    Command{"MEASure:PERiod?", &measure_as<F::period>},
    Command{"MEASure:FRESistance?", &measure_as<F::fres>},
    Command{"MEASure:RESistance?", &measure_as<F::res>},
    Command{"MEASure:VOLTage:AC?", &measure_as<F::volt_ac>},
    Command{"MEASure:VOLTage[:DC]?", &measure_as<F::volt_dc>},
    Command{"MEASure:CURRent:AC?", &measure_as<F::curr_ac>},
    Command{"MEASure:CURRent[:DC]?", &measure_as<F::curr_dc>},
    Command{"MEASure:VOLTage[:DC]:RATio?", &measure_as<F::volt_ratio>},
    Command{"[SENSe:]FUNCtion[:ON]", &function_set},
    Command{"[SENSe:]FUNCtion[:ON]?", &function_q},

    // Ranges
    Command{"[SENSe:]VOLTage[:DC]:RANGe[:UPPer]", &range_set_of<G::volt_dc>},
    Command{"[SENSe:]VOLTage[:DC]:RANGe[:UPPer]?", &range_q_of<G::volt_dc>},
    Command{"[SENSe:]VOLTage[:DC]:RANGe:AUTO", &range_auto_set_of<G::volt_dc>},
    Command{"[SENSe:]VOLTage[:DC]:RANGe:AUTO?", &range_auto_q_of<G::volt_dc>},
    Command{"[SENSe:]VOLTage:AC:RANGe[:UPPer]", &range_set_of<G::volt_ac>},
    Command{"[SENSe:]VOLTage:AC:RANGe[:UPPer]?", &range_q_of<G::volt_ac>},
    Command{"[SENSe:]VOLTage:AC:RANGe:AUTO", &range_auto_set_of<G::volt_ac>},
    Command{"[SENSe:]VOLTage:AC:RANGe:AUTO?", &range_auto_q_of<G::volt_ac>},
    Command{"[SENSe:]CURRent[:DC]:RANGe[:UPPer]", &range_set_of<G::curr_dc>},
    Command{"[SENSe:]CURRent[:DC]:RANGe[:UPPer]?", &range_q_of<G::curr_dc>},
    Command{"[SENSe:]CURRent[:DC]:RANGe:AUTO", &range_auto_set_of<G::curr_dc>},
    Command{"[SENSe:]CURRent[:DC]:RANGe:AUTO?", &range_auto_q_of<G::curr_dc>},
    Command{"[SENSe:]CURRent:AC:RANGe[:UPPer]", &range_set_of<G::curr_ac>},
    Command{"[SENSe:]CURRent:AC:RANGe[:UPPer]?", &range_q_of<G::curr_ac>},
    Command{"[SENSe:]CURRent:AC:RANGe:AUTO", &range_auto_set_of<G::curr_ac>},
    Command{"[SENSe:]CURRent:AC:RANGe:AUTO?", &range_auto_q_of<G::curr_ac>},
    Command{"[SENSe:]RESistance:RANGe[:UPPer]", &range_set_of<G::res>},
    Command{"[SENSe:]RESistance:RANGe[:UPPer]?", &range_q_of<G::res>},
    Command{"[SENSe:]RESistance:RANGe:AUTO", &range_auto_set_of<G::res>},
    Command{"[SENSe:]RESistance:RANGe:AUTO?", &range_auto_q_of<G::res>},
    Command{"[SENSe:]FRESistance:RANGe[:UPPer]", &range_set_of<G::res>},
    Command{"[SENSe:]FRESistance:RANGe[:UPPer]?", &range_q_of<G::res>},
    Command{"[SENSe:]FRESistance:RANGe:AUTO", &range_auto_set_of<G::res>},
    Command{"[SENSe:]FRESistance:RANGe:AUTO?", &range_auto_q_of<G::res>},
    Command{"[SENSe:]FREQuency:VOLTage:RANGe[:UPPer]", &range_set_of<G::freq>},
    Command{"[SENSe:]FREQuency:VOLTage:RANGe[:UPPer]?", &range_q_of<G::freq>},
    Command{"[SENSe:]FREQuency:VOLTage:RANGe:AUTO", &range_auto_set_of<G::freq>},
    Command{"[SENSe:]FREQuency:VOLTage:RANGe:AUTO?", &range_auto_q_of<G::freq>},
    Command{"[SENSe:]PERiod:VOLTage:RANGe[:UPPer]", &range_set_of<G::period>},
    Command{"[SENSe:]PERiod:VOLTage:RANGe[:UPPer]?", &range_q_of<G::period>},
    Command{"[SENSe:]PERiod:VOLTage:RANGe:AUTO", &range_auto_set_of<G::period>},
    Command{"[SENSe:]PERiod:VOLTage:RANGe:AUTO?", &range_auto_q_of<G::period>},

    // Resolutions
    Command{"[SENSe:]VOLTage[:DC]:RESolution", &resolution_set_of<G::volt_dc>},
    Command{"[SENSe:]VOLTage[:DC]:RESolution?", &resolution_q_of<G::volt_dc>},
    Command{"[SENSe:]VOLTage:AC:RESolution", &resolution_set_of<G::volt_ac>},
    Command{"[SENSe:]VOLTage:AC:RESolution?", &resolution_q_of<G::volt_ac>},
    Command{"[SENSe:]CURRent[:DC]:RESolution", &resolution_set_of<G::curr_dc>},
    Command{"[SENSe:]CURRent[:DC]:RESolution?", &resolution_q_of<G::curr_dc>},
    Command{"[SENSe:]CURRent:AC:RESolution", &resolution_set_of<G::curr_ac>},
    Command{"[SENSe:]CURRent:AC:RESolution?", &resolution_q_of<G::curr_ac>},
    Command{"[SENSe:]RESistance:RESolution", &resolution_set_of<G::res>},
    Command{"[SENSe:]RESistance:RESolution?", &resolution_q_of<G::res>},
    Command{"[SENSe:]FRESistance:RESolution", &resolution_set_of<G::res>},
    Command{"[SENSe:]FRESistance:RESolution?", &resolution_q_of<G::res>},

    // Integration: apertures and NPLC
    Command{"[SENSe:]VOLTage[:DC]:APERture", &aperture_set_of<G::volt_dc>},
    Command{"[SENSe:]VOLTage[:DC]:APERture?", &aperture_q_of<G::volt_dc>},
    Command{"[SENSe:]VOLTage:AC:APERture", &aperture_set_of<G::volt_ac>},
    Command{"[SENSe:]VOLTage:AC:APERture?", &aperture_q_of<G::volt_ac>},
    Command{"[SENSe:]CURRent[:DC]:APERture", &aperture_set_of<G::curr_dc>},
    Command{"[SENSe:]CURRent[:DC]:APERture?", &aperture_q_of<G::curr_dc>},
    Command{"[SENSe:]RESistance:APERture", &aperture_set_of<G::res>},
    Command{"[SENSe:]RESistance:APERture?", &aperture_q_of<G::res>},
    Command{"[SENSe:]FRESistance:APERture", &aperture_set_of<G::res>},
    Command{"[SENSe:]FRESistance:APERture?", &aperture_q_of<G::res>},
    Command{"[SENSe:]FREQuency:APERture", &aperture_set_of<G::freq>},
    Command{"[SENSe:]FREQuency:APERture?", &aperture_q_of<G::freq>},
    Command{"[SENSe:]PERiod:APERture", &aperture_set_of<G::period>},
    Command{"[SENSe:]PERiod:APERture?", &aperture_q_of<G::period>},
    Command{"[SENSe:]VOLTage[:DC]:NPLCycles", &nplc_set_of<G::volt_dc>},
    Command{"[SENSe:]VOLTage[:DC]:NPLCycles?", &nplc_q_of<G::volt_dc>},
    Command{"[SENSe:]VOLTage:AC:NPLCycles", &nplc_set_of<G::volt_ac>},
    Command{"[SENSe:]VOLTage:AC:NPLCycles?", &nplc_q_of<G::volt_ac>},
    Command{"[SENSe:]CURRent[:DC]:NPLCycles", &nplc_set_of<G::curr_dc>},
    Command{"[SENSe:]CURRent[:DC]:NPLCycles?", &nplc_q_of<G::curr_dc>},
    Command{"[SENSe:]RESistance:NPLCycles", &nplc_set_of<G::res>},
    Command{"[SENSe:]RESistance:NPLCycles?", &nplc_q_of<G::res>},
    Command{"[SENSe:]FRESistance:NPLCycles", &nplc_set_of<G::res>},
    Command{"[SENSe:]FRESistance:NPLCycles?", &nplc_q_of<G::res>},
    Command{"[SENSe:]DETector:BANDwidth", &bandwidth_set},
    Command{"[SENSe:]DETector:BANDwidth?", &bandwidth_q},
    Command{"INPut:IMPedance:AUTO", &input_auto_impedance_set},
    Command{"INPut:IMPedance:AUTO?", &input_auto_impedance_q},
    Command{"[SENSe:]ZERO:AUTO", &auto_zero_set},
    Command{"[SENSe:]ZERO:AUTO?", &auto_zero_q},
    Command{"CALibration:ZERO:AUTO", &auto_zero_set},
    Command{"CALibration:ZERO:AUTO?", &auto_zero_q},
    Command{"SYSTem:LFRequency", &line_frequency_set},
    Command{"SYSTem:LFRequency?", &line_frequency_q},
    Command{"CALibration:LFRequency", &line_frequency_set},
    Command{"CALibration:LFRequency?", &line_frequency_q},

    // Triggering and readings
    Command{"TRIGger[:SEQuence]:SOURce", &trigger_source_set},
    Command{"TRIGger[:SEQuence]:SOURce?", &trigger_source_q},
    Command{"TRIGger[:SEQuence]:COUNt", &trigger_count_set},
    Command{"TRIGger[:SEQuence]:COUNt?", &trigger_count_q},
    Command{"TRIGger[:SEQuence]:DELay", &trigger_delay_set},
    Command{"TRIGger[:SEQuence]:DELay?", &trigger_delay_q},
    Command{"TRIGger[:SEQuence]:DELay:AUTO", &trigger_delay_auto_set},
    Command{"TRIGger[:SEQuence]:DELay:AUTO?", &trigger_delay_auto_q},
    Command{"SAMPle:COUNt", &sample_count_set},
    Command{"SAMPle:COUNt?", &sample_count_q},
    Command{"INITiate[:IMMediate]", &initiate_cmd},
    Command{"FETCh?", &fetch_q},
    Command{"READ?", &read_q},
    Command{"ABORt", &abort_cmd},
    Command{"OUTPut:TTLTrg<n>[:STATe]", &ttl_output_set},
    Command{"OUTPut:TTLTrg<n>[:STATe]?", &ttl_output_q},

    // Math
    Command{"CALCulate:STATe", &calc_state_set},
    Command{"CALCulate:STATe?", &calc_state_q},
    Command{"CALCulate:FUNCtion", &calc_function_set},
    Command{"CALCulate:FUNCtion?", &calc_function_q},
    Command{"CALCulate:NULL:OFFSet", &null_offset_set},
    Command{"CALCulate:NULL:OFFSet?", &null_offset_q},
    Command{"CALCulate:AVERage:MINimum?", &average_min_q},
    Command{"CALCulate:AVERage:MAXimum?", &average_max_q},
    Command{"CALCulate:AVERage:AVERage?", &average_average_q},
    Command{"CALCulate:AVERage:COUNt?", &average_count_q},
    Command{"CALCulate:LIMit:LOWer[:DATA]", &limit_lower_set},
    Command{"CALCulate:LIMit:LOWer[:DATA]?", &limit_lower_q},
    Command{"CALCulate:LIMit:UPPer[:DATA]", &limit_upper_set},
    Command{"CALCulate:LIMit:UPPer[:DATA]?", &limit_upper_q},
    Command{"CALCulate:DBM:REFerence", &dbm_reference_set},
    Command{"CALCulate:DBM:REFerence?", &dbm_reference_q},
    Command{"CALCulate:DB:REFerence", &db_reference_set},
    Command{"CALCulate:DB:REFerence?", &db_reference_q},

    // Status and system
    Command{"SYSTem:ERRor[:NEXT]?", &system_error_q},
    Command{"SYSTem:VERSion?", &system_version_q},
    Command{"STATus:QUEStionable:CONDition?", &ques_condition_q},
    Command{"STATus:QUEStionable[:EVENt]?", &ques_event_q},
    Command{"STATus:QUEStionable:ENABle", &ques_enable_set},
    Command{"STATus:QUEStionable:ENABle?", &ques_enable_q},
    Command{"STATus:PRESet", &status_preset},
    Command{"STATus:OPERation:CONDition?", &oper_condition_q},
    Command{"STATus:OPERation[:EVENt]?", &oper_event_q},
    Command{"STATus:OPERation:ENABle", &oper_enable_set},
    Command{"STATus:OPERation:ENABle?", &oper_enable_q},
    Command{"SYSTem:ERRor:COUNt?", &system_error_count_q},
    Command{"SYSTem:ERRor:ALL?", &system_error_all_q},
};

}  // namespace

std::span<const Command> command_table() {
    return commands;
}

const Command* find_command(std::span<const Node> nodes, bool common, bool query, int& suffix) {
    // Every command is matched on each header: take the patterns apart only once.
    static const auto patterns = [] {
        std::array<Pattern, commands.size()> parsed{};
        for (std::size_t i = 0; i < commands.size(); ++i)
            parsed[i] = parse_pattern(commands[i].pattern);
        return parsed;
    }();
    for (std::size_t i = 0; i < commands.size(); ++i) {
        const Match m = match_header(patterns[i], nodes, common, query);
        if (m.matched) {
            suffix = m.suffix;
            return &commands[i];
        }
    }
    return nullptr;
}

}  // namespace sim
