<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- The window in English. The sources are the course texts the window shows by default:
     the tool's own words are English already, so only the course's Italian ones and the
     course's names for controls are translated here. -->
<TS version="2.1" language="en" sourcelanguage="it">
<context>
    <name>Places</name>
    <message>
        <source>SubCicle</source>
        <translation>SubCycle</translation>
    </message>
    <message>
        <source>Il programma deve prima essere compilato e caricato in memoria</source>
        <translation>The program must be compiled and loaded into memory</translation>
    </message>
</context>
<context>
    <name>Diagrams</name>
    <message>
        <source>1.I segnali di controllo si stabilizzano</source>
        <translation>1. The control signals settle</translation>
    </message>
    <message>
        <source>2.Registri scritti su B</source>
        <translation>2. A register drives the B bus</translation>
    </message>
    <message>
        <source>3.Alu e Shitter calcolano</source>
        <translation>3. The ALU and the Shifter compute</translation>
    </message>
    <message>
        <source>4.Risultati su C e ai registri</source>
        <translation>4. Results go on C and into the registers</translation>
    </message>
    <message>
        <source>Ciclo del Clock</source>
        <translation>Clock cycle</translation>
    </message>
    <message>
        <source>inizio ciclo</source>
        <translation>cycle start</translation>
    </message>
    <message>
        <source>MPC usato per</source>
        <translation>MPC is used to</translation>
    </message>
    <message>
        <source>caricare il MIR</source>
        <translation>load the MIR</translation>
    </message>
</context>
</TS>
