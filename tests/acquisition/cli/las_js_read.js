// Reads a LAS file with the las-js package and prints what it read as one JSON object: the
// curve names and units, the well lines, the row count and the rows.
const { Las } = require('las-js');

(async () => {
    const las = new Las(process.argv[2]);
    const curves = await las.curveParams();
    const well = await las.wellParams();
    const out = {
        header: await las.header(),
        units: Object.fromEntries(Object.entries(curves).map(([k, v]) => [k, v.unit])),
        well: Object.fromEntries(Object.entries(well).map(([k, v]) => [k, v.value])),
        wellUnits: Object.fromEntries(Object.entries(well).map(([k, v]) => [k, v.unit])),
        wrap: await las.wrap(),
        version: await las.version(),
        rows: await las.rowCount(),
        data: await las.data(),
    };
    process.stdout.write(JSON.stringify(out));
})().catch((e) => {
    process.stderr.write(String(e) + '\n');
    process.exit(1);
});
