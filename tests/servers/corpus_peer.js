// Serves each WSDL of tests/fixtures/corpus with node-soap on loopback, so
// that the WSDL-driven call meets descriptions written by others, answered by
// a SOAP stack that is not ours.
//
//     node corpus_peer.js [--port N] [--port-file FILE]
//
// A WSDL NAME.wsdl is published at /NAME?wsdl, with its SOAP addresses
// pointing at /NAME on this server. A folder NAME/ is a WSDL written as
// several documents: its NAME/main.wsdl is published at /NAME/main?wsdl, and
// the documents it imports or includes at /NAME/..., where their relative
// locations lead. A description node-soap cannot serve is left out (said on
// the console); the WSDL reader's tests still read it from the files. The
// answers below stand in for the services' own.
'use strict';
const fs = require('fs');
const http = require('http');
const path = require('path');
const soap = require(path.join(__dirname, 'corpus', 'node_modules', 'soap'));

const CORPUS = path.join(__dirname, '..', 'fixtures', 'corpus');

// The answers of each description's operations, by description and operation.
const answers = {
  blz_service: {
    getBank: (args) => ({
      details: { bezeichnung: 'Bank ' + args.blz, bic: 'BIC' + args.blz, ort: 'Mannheim', plz: '68165' },
    }),
  },
  stockquote_header: {
    GetLastTradePrice: (args, headers) => {
      const user = headers && headers.Authentication && headers.Authentication.username;
      if (user !== 'trader') throw { Fault: { faultcode: 'soap:Client', faultstring: 'Not authenticated' } };
      return { price: args.tickerSymbol === 'NVX' ? 42.5 : 1.25 };
    },
  },
  stockquote_2000: {
    GetLastTradePrice: (args) => ({ price: args.tickerSymbol === 'NVX' ? 42.5 : 1.25, tax: 0.5, other: 7 }),
  },
  gsoap_soap12_rpc: {
    pullFile: (args) => ({ result: valueOf((args.params || {}).fileName) === 'a.txt' }),
  },
  hello_rpc: {
    sayHello: (args) => ({ greeting: 'Hello, ' + args.firstName }),
  },
  asmx_nodes: {
    GetNodes: () => ({
      GetNodesResult: { Name: 'root', Children: { Node: [{ Name: 'left' }, { Name: 'right' }] } },
    }),
  },
  axis_logincms: {
    loginCms: (args) => ({ loginCmsReturn: 'ticket for ' + args.in0 }),
  },
  axis_rpc_encoded: {
    eOrderRelationUpdateNotify: (args) => {
      const request = args.eOrderRelationUpdateNotifyRequest || {};
      return { eOrderRelationUpdateNotifyResponse: { RecordSequenceID: 'done ' + valueOf(request.RecordSequenceID) } };
    },
  },
  cxf_split: {
    getLatestVersion: () => ({ return: 20160501 }),
  },
  zeep_import: {
    GetLastTradePrice: (args) => ({ price: args.tickerSymbol === 'NVX' ? 42.5 : 1.25 }),
  },
  xsd_include: {
    Dummy: (args) => ({ Result: 'dummy ' + args.ID + ' ' + args.Name }),
  },
  wcf_farequote: {
    RetrieveFareQuoteDateRange: (args) => {
      const request = args.RetrieveFareQuoteDateRangeRequest || {};
      return { RetrieveFareQuoteDateRangeResult: 'fares from ' + request.Origin + ' to ' + request.Destination };
    },
  },
  extension_base: {
    fooOp: (args) => ({ Name: { name1: 'shipped by ' + (args.Name && args.Name.name1) } }),
  },
};

// An encoded value comes with its xsi:type as { attributes, $value }.
function valueOf(value) {
  return value && typeof value === 'object' && '$value' in value ? value.$value : value;
}

function argument(name, fallback) {
  const index = process.argv.indexOf(name);
  return index > 0 && index + 1 < process.argv.length ? process.argv[index + 1] : fallback;
}

function servicesOf(name, definitions) {
  const services = {};
  for (const [serviceName, service] of Object.entries(definitions.services)) {
    services[serviceName] = {};
    for (const [portName, port] of Object.entries(service.ports)) {
      services[serviceName][portName] = {};
      for (const method of Object.keys(port.binding.methods || {})) {
        const answer = (answers[name] || {})[method];
        services[serviceName][portName][method] = (args, callback, headers) => {
          if (!answer) throw { Fault: { faultcode: 'soap:Server', faultstring: 'No answer for ' + method } };
          return answer(args, headers);
        };
      }
    }
  }
  return services;
}

// The description at `file`, its addresses pointing at `where` on this
// server; its imports are read from the files beside it.
function publish(server, name, file, where, port) {
  const xml = fs.readFileSync(file, 'utf8');
  const published = xml.replace(/(<(?:\w+:)?address\s+location=")[^"]*"/g, `$1http://127.0.0.1:${port}${where}"`);
  return new Promise((resolve, reject) => {
    const wsdl = new soap.WSDL(published, file, {});
    wsdl.onReady((error) => {
      if (error) return reject(error);
      soap.listen(server, { path: where, services: servicesOf(name, wsdl.definitions), xml: published, uri: file });
      resolve();
    });
  });
}

// The documents of the folders, for the imports: /NAME/... from NAME/...;
// nothing outside the corpus.
function serveDocument(request, response) {
  const wanted = decodeURIComponent(new URL(request.url, 'http://127.0.0.1').pathname);
  const file = path.join(CORPUS, path.normalize(wanted));
  const inFolder = file.startsWith(CORPUS + path.sep) && path.dirname(file) !== CORPUS;
  if (request.method !== 'GET' || !inFolder || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
    response.statusCode = 404;
    return response.end();
  }
  response.setHeader('Content-Type', 'text/xml; charset=utf-8');
  response.end(fs.readFileSync(file));
}

// Each description: [name, main file, path].
function descriptions() {
  return fs.readdirSync(CORPUS, { withFileTypes: true })
    .filter((entry) => entry.isDirectory() || entry.name.endsWith('.wsdl'))
    .map((entry) => entry.isDirectory()
      ? [entry.name, path.join(CORPUS, entry.name, 'main.wsdl'), `/${entry.name}/main`]
      : [path.basename(entry.name, '.wsdl'), path.join(CORPUS, entry.name), '/' + path.basename(entry.name, '.wsdl')])
    .sort();
}

async function main() {
  const server = http.createServer(serveDocument);
  await new Promise((resolve) => server.listen(Number(argument('--port', '0')), '127.0.0.1', resolve));
  const port = server.address().port;
  for (const [name, file, where] of descriptions()) {
    try {
      await publish(server, name, file, where, port);
    } catch (error) {
      console.log(`not served: ${name}: ${error.message}`);
    }
  }
  const portFile = argument('--port-file', '');
  if (portFile) {
    fs.writeFileSync(portFile + '.tmp', port + '\n');
    fs.renameSync(portFile + '.tmp', portFile);
  }
  console.log('corpus peer listening on 127.0.0.1:' + port);
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
