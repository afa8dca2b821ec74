#!/usr/bin/env node
// Serves each WSDL of tests/fixtures/corpus with node-soap on loopback, so
// that the WSDL-driven call meets descriptions written by others, answered by
// a SOAP stack that is not ours.
//
//     node corpus_peer.js [--port N] [--port-file FILE]
//
// A WSDL NAME.wsdl is published at /NAME?wsdl with its SOAP addresses pointing
// at /NAME on this server. The answers below stand in for the services' own.
'use strict';
const fs = require('fs');
const http = require('http');
const path = require('path');
const soap = require(path.join(__dirname, 'corpus', 'node_modules', 'soap'));

const CORPUS = path.join(__dirname, '..', 'fixtures', 'corpus');

// The answer of each operation, by name.
const answers = {
  getBank: (args) => ({
    details: { bezeichnung: 'Bank ' + args.blz, bic: 'BIC' + args.blz, ort: 'Mannheim', plz: '68165' },
  }),
  GetLastTradePrice: (args, headers) => {
    const user = headers && headers.Authentication && headers.Authentication.username;
    if (user !== 'trader') throw { Fault: { faultcode: 'soap:Client', faultstring: 'Not authenticated' } };
    return { price: args.tickerSymbol === 'NVX' ? 42.5 : 1.25 };
  },
};

function argument(name, fallback) {
  const index = process.argv.indexOf(name);
  return index > 0 && index + 1 < process.argv.length ? process.argv[index + 1] : fallback;
}

function servicesOf(definitions) {
  const services = {};
  for (const [serviceName, service] of Object.entries(definitions.services)) {
    services[serviceName] = {};
    for (const [portName, port] of Object.entries(service.ports)) {
      services[serviceName][portName] = {};
      for (const method of Object.keys(port.binding.methods || {})) {
        const answer = answers[method];
        services[serviceName][portName][method] = (args, callback, headers) => {
          if (!answer) throw { Fault: { faultcode: 'soap:Server', faultstring: 'No answer for ' + method } };
          return answer(args, headers);
        };
      }
    }
  }
  return services;
}

function publish(server, name, xml, port) {
  const published = xml.replace(/(<(?:\w+:)?address\s+location=")[^"]*"/g, `$1http://127.0.0.1:${port}/${name}"`);
  return new Promise((resolve, reject) => {
    const wsdl = new soap.WSDL(published, `http://127.0.0.1:${port}/${name}?wsdl`, {});
    wsdl.onReady((error) => {
      if (error) return reject(error);
      soap.listen(server, { path: '/' + name, services: servicesOf(wsdl.definitions), xml: published });
      resolve();
    });
  });
}

async function main() {
  const server = http.createServer((request, response) => {
    response.statusCode = 404;
    response.end();
  });
  await new Promise((resolve) => server.listen(Number(argument('--port', '0')), '127.0.0.1', resolve));
  const port = server.address().port;
  for (const file of fs.readdirSync(CORPUS).filter((name) => name.endsWith('.wsdl')).sort()) {
    await publish(server, path.basename(file, '.wsdl'), fs.readFileSync(path.join(CORPUS, file), 'utf8'), port);
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
